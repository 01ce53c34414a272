#include <orv/keygen/genregister.h>

#include <orv/host/classes/typinfo.h>
#include <orv/keygen/generator.h>

namespace orv::gensrc {

void Register() { RegisterClasses<TGenerator>(); }

}  // namespace orv::gensrc
