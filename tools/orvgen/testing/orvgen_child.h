// The orvgen binary that this build made, started as a real child process
// (SpawnedChild) by the tests that show what holds across programs.
//
// Threading: one test thread drives its children. Not for production code.
#pragma once

#include <string>
#include <vector>

#include <orv/host/db/testing/spawned_child.h>

namespace orv::testing {

// The orvgen binary that this build made.
const std::string& OrvgenPath();

// Runs orvgen with args and input on stdin to its end (within the default
// deadline). dir holds the output files while it runs.
ChildResult RunOrvgen(const std::vector<std::string>& args, const std::string& dir,
                      const std::string& input = "");

}  // namespace orv::testing
