// The registration procedures of the libraries a program has loaded. A
// library whose classes form files may name, and that not every program links
// (the window layer's controls), adds its procedure here when it is loaded,
// from a static initialiser:
//
//   const bool kAdded = (AddClassRegistration(&RegisterFormClasses), true);
//
// and RegisterRuntimeClasses (orv/runtime/runtime.h) runs them, so that one
// call registers every class of the libraries the program links, without
// orv::runtime linking them.
//
// Threading: additions happen while libraries load; runs from the main
// thread. Raises nothing of its own; a procedure's error passes through.
#pragma once

namespace orv {

using TRegistrationProc = void (*)();

// Adds proc to the list, once (adding it again does nothing).
void AddClassRegistration(TRegistrationProc proc);

// Runs every procedure added so far, in the order they were added.
void RunClassRegistrations();

}  // namespace orv
