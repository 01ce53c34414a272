// EDatabaseError: every failure of the data access layer (opening, browsing,
// locking, writing). Its message is what a user reads and can act on: the
// database and table concerned, or the server's own words where it has some.
#pragma once

#include "host/rtl/exception.h"

namespace orv {

class EDatabaseError : public Exception {
 public:
  using Exception::Exception;
};

}  // namespace orv
