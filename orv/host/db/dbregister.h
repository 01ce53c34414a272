// Makes the data access components known to the class registry, so that
// form files can hold them (TTable, TDataSource). Call once at start-up, from
// the main thread; calling it again does nothing.
#pragma once

namespace orv {

void RegisterDbClasses();

}  // namespace orv
