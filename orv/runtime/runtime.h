// One call that makes every run-time class known to form files, so that a
// program can load any data module or form built of orv's components:
//
//   #include <orv/runtime/runtime.h>
//   orv::RegisterRuntimeClasses();
//   orv::TComponentPtr<orv::TComponent> dm(orv::LoadFormFromFile("orders.ofm"));
//
// It registers TDataModule, TTable and TDataSource (orv::db), TGenerator
// (orv::keygen) and TUniKEY (orv::unikey), which orv::runtime links, and then
// runs the registrations that the loaded libraries offered
// (orv/host/classes/registrations.h): in a program that links the window
// layer, its forms and controls (orv::forms) and data-aware controls
// (orv::dbctrls). orv::runtime itself links no Qt, so console programs stay
// free of it. A module class of the application's own is registered by the
// application beside this call (RegisterClass<TOrdersModule>()).
//
// The units' own procedures (RegisterDbClasses, gensrc::Register,
// unikey::Register, RegisterFormClasses, RegisterDBControlClasses) remain,
// for design packages and programs that want only some.
//
// Threading: the main thread, at start-up. Calling it again does nothing
// new. Raises nothing.
#pragma once

namespace orv {

void RegisterRuntimeClasses();

}  // namespace orv
