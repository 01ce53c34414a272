// The palette registrations of the host layer's classes, for a designer that
// loads the package orvhostpkg: "Data Access" (TTable, TDataSource),
// "Standard" (the window layer's controls) and "Data Controls" (the
// data-aware controls), each class with its palette picture (a 24 by 24
// bitmap named after the class in capitals, in the package's resource module
// "orvhostpkg"). The classes become known to form files as well. Main thread
// only; registering again is harmless.
#pragma once

namespace orv::hostpkg {

inline constexpr const char* kDataAccessPage = "Data Access";
inline constexpr const char* kStandardPage = "Standard";
inline constexpr const char* kDataControlsPage = "Data Controls";

void RegisterPalette();

}  // namespace orv::hostpkg
