#include "keygen/genregister.h"

#include "host/classes/typinfo.h"
#include "keygen/generator.h"

namespace orv::gensrc {

void Register() { RegisterClasses<TGenerator>(); }

}  // namespace orv::gensrc
