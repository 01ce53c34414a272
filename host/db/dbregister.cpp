#include "host/db/dbregister.h"

#include "host/classes/typinfo.h"
#include "host/db/datasource.h"
#include "host/db/table.h"

namespace orv {

void RegisterDbClasses() { RegisterClasses<TTable, TDataSource>(); }

}  // namespace orv
