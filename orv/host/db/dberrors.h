// EDatabaseError: every failure of the data access layer (opening, browsing,
// locking, writing). Its message is what a user reads and can act on: the
// database and table concerned, or the server's own words where it has some.
//
// Two kinds of failure are worth telling apart, because trying again can cure
// them; every other EDatabaseError (permission, read-only, disk or database
// full, key violation, a bad value) will fail again the same way:
//  - ELockConflict: another session holds the row or table lock ("Record
//    locked by another user", "Table locked by another user");
//  - EConnectionLost: the database server could not be reached or dropped the
//    connection; a fresh connection may work once the server is back.
// EKeyViolation ("Key violation": a row with the same values of a unique key
// is stored) is told apart too: the same row fails again, but a writer that
// chose those values (a fresh number, a fresh stamp) may choose again.
#pragma once

#include <orv/host/rtl/exception.h>

namespace orv {

class EDatabaseError : public Exception {
 public:
  using Exception::Exception;
};

class ELockConflict : public EDatabaseError {
 public:
  using EDatabaseError::EDatabaseError;
};

class EConnectionLost : public EDatabaseError {
 public:
  using EDatabaseError::EDatabaseError;
};

class EKeyViolation : public EDatabaseError {
 public:
  using EDatabaseError::EDatabaseError;
};

}  // namespace orv
