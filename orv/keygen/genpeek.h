// Key preview: the keys a generator would issue next, read from its table
// without taking them. The generator's row for its type and prefix is read
// (the table opened read-only), its stored suffix is loaded into a copy of
// the mask engine, and the copy is stepped; nothing is claimed or written, and
// the generator itself is not touched. Without a row the first key is the
// start value, as a new row would begin.
//
// A preview is only a forecast: another program may take the keys first. The
// application's overflow and new-record events are not called; past the end
// value the preview wraps to the start value, as the generator does when
// they are unassigned.
//
// Errors (orv::Exception, the message for the user): "the generator is
// disabled" (an empty mask or rejected limits), the mask engine's own error,
// "Cannot open generator table T of D: REASON", "Generator table T of D has a
// bad format: PROBLEM", and, as the generator refuses it, a stored suffix
// that does not fit the mask ("The generator table's row for prefix 'P'
// holds the suffix 'S', which does not fit the mask M").
// Threading: the thread that owns the generator.
#pragma once

#include <string>
#include <vector>

#include <orv/keygen/generator.h>

namespace orv {

struct TKeyPeek {
  std::vector<std::string> keys;  // the next keys, first one first
  bool row_found = false;         // the table holds a row for this type and prefix
  std::string stored_suffix;      // the row's suffix (empty without a row)
  bool row_claimed = false;       // the row is claimed by a generator right now
};

// The next count keys of generator g (count >= 0). The user characters of the
// mask's "@" symbols come from g's GetUserPrefixes when it is assigned.
TKeyPeek PeekKeys(TGenerator& g, int count);

}  // namespace orv
