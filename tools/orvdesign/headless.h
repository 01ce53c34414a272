// The designer without a window, for scripts and CI: check forms, list their
// components and verbs, set property values as the object inspector would.
// Each returns the exit code: 0 success, 1 an error ("orvdesign: ..." lines
// on err), 2 a usage error. Texts on out and err are UTF-8; arguments arrive
// as UTF-8 and are taken into code page 1251.
//
// Threading: the main thread; the packages are loaded before.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace orv::design {

// Reads each form as the designer opens it: reports a malformed file by line,
// an unknown class, and every value a component refused while it was read
// (the error boxes its setters showed), one line each on err; "FORM: ok" on
// out for a form without problems. 1 when any form had a problem.
int CheckForms(const std::vector<std::string>& forms, std::ostream& out, std::ostream& err);

// One line per component of the form, "Name: Class", then, when its
// component editor has verbs, "  verbs: " and the verb texts joined by " | ".
// With values, then "  PROPERTY = VALUE" for each property the inspector
// shows (events only when assigned), as it shows them.
int InfoForm(const std::string& form, std::ostream& out, std::ostream& err, bool values = false);

// Sets each NAME.PROPERTY=VALUE in order through the property's editor (NAME
// may be the form itself) and saves the file; when any value is refused the
// file is not written.
int SetValues(const std::string& form, const std::vector<std::string>& assignments,
              std::ostream& out, std::ostream& err);

}  // namespace orv::design
