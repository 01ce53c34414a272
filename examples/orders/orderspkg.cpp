// The design package of the order-entry program: orvdesign, loading it,
// opens ordersform.ofm and ordersdata.ofm and keeps the handler names.
#include <orv/host/designintf/package.h>

#include "ordersdata.h"
#include "ordersform.h"

ORV_PACKAGE_ENTRY { orv::RegisterClasses<orders::TOrdersData, orders::TOrdersForm>(); }
