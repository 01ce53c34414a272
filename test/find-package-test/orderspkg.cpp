// The design package of the application's module class: orvdesign, loading
// it, opens orders.ofm and keeps the handler names the file binds.
#include <orv/host/designintf/package.h>

#include "ordersmodule.h"

ORV_PACKAGE_ENTRY { orv::RegisterClass<consumer::TOrdersModule>(); }
