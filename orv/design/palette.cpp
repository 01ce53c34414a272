#include <orv/design/palette.h>

#include <orv/host/designintf/designintf.h>
#include <orv/keygen/generator.h>
#include <orv/keygen/genregister.h>
#include <orv/unikey/unikey.h>

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
