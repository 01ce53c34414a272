#include "design/palette.h"

#include "host/designintf/designintf.h"
#include "keygen/generator.h"
#include "keygen/genregister.h"
#include "unikey/unikey.h"

namespace orv {

void gensrc::RegisterPalette() {
  gensrc::Register();
  RegisterComponents(kPalettePage, {&TGenerator::StaticClassInfo()});
}

void unikey::RegisterPalette() {
  unikey::Register();
  RegisterComponents(kPalettePage, {&TUniKEY::StaticClassInfo()});
}

}  // namespace orv
