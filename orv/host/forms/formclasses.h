// The window layer's control classes made known to form files, so that
// reading a layout can create a control by its class name. Kept apart from
// forms.h: registering names every control, and the controls include forms.h.
// Threading: main thread, at start-up. Raises nothing.
#pragma once

namespace orv {

// Registers the form and control classes of host/forms with the class
// registry (done by the application object and by every layout read;
// repeating it is harmless).
void RegisterFormClasses();

}  // namespace orv
