// Starting the order-entry program: the database it works on, its tables,
// its data module and its main form, each read from the form files the
// program keeps in its resources. Shared by the program and its tests.
// Main thread only.
#pragma once

#include <string>

#include "ordersdata.h"
#include "ordersform.h"

namespace orders {

// Registers the classes, makes the tables when missing, loads the data module
// and the form (owned by the application object) and opens ORDERBOOK. database
// names an alias or a directory; the module's tGenAlias then stands for it.
// Raises orv::Exception (EDatabaseError, EReadError...) when any step fails.
TOrdersForm* OpenOrders(const std::string& database);

}  // namespace orders
