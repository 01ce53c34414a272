// The palette registrations of the component units: TGenerator (unit Gensrc)
// and TUniKEY (unit Unikey) on the designer's page "Orv", each with its
// palette picture (a 24 by 24 bitmap named after the class in capitals) in the
// package's resources. The run-time units register their classes with the
// class registry only; the palette belongs to the design-time package, so
// these live here. Main thread only; registering again is harmless.
#pragma once

namespace orv {

inline constexpr const char* kPalettePage = "Orv";

namespace gensrc {
// TGenerator: known to form files, on the page "Orv" (picture "TGENERATOR").
void RegisterPalette();
}  // namespace gensrc

namespace unikey {
// TUniKEY: known to form files, on the page "Orv" (picture "TUNIKEY").
void RegisterPalette();
}  // namespace unikey

}  // namespace orv
