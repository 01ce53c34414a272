#include <orv/runtime/runtime.h>

#include <orv/host/classes/datamodule.h>
#include <orv/host/classes/registrations.h>
#include <orv/host/classes/typinfo.h>
#include <orv/host/db/dbregister.h>
#include <orv/keygen/genregister.h>
#include <orv/unikey/unikey.h>

namespace orv {

void RegisterRuntimeClasses() {
  RegisterClass<TDataModule>();
  RegisterDbClasses();
  gensrc::Register();
  unikey::Register();
  RunClassRegistrations();
}

}  // namespace orv
