#include <orv/host/db/dbregister.h>

#include <orv/host/classes/typinfo.h>
#include <orv/host/db/datasource.h>
#include <orv/host/db/table.h>

namespace orv {

void RegisterDbClasses() { RegisterClasses<TTable, TDataSource>(); }

}  // namespace orv
