// OrvgenTest: the fixture of the tests that run orvgen against a fresh test
// database of each engine (the test's parameter): skips an engine that is not
// here, makes the database and, unless a test class says otherwise, the
// generator table with "orvgen init".
//
// Threading: the test's thread. Not for production code.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <orv/host/db/testing/engines.h>
#include "tools/orvgen/testing/orvgen_child.h"

namespace orv::testing {

class OrvgenTest : public ::testing::TestWithParam<std::string> {
 protected:
  explicit OrvgenTest(bool init = true) : init_(init) {}

  void SetUp() override {
    ORV_SKIP_UNLESS_AVAILABLE(GetParam());
    db_ = std::make_unique<TestDatabase>(GetParam());
    dir_ = ::testing::TempDir();
    if (!init_) return;
    const ChildResult init = RunOrvgen(Args({"init"}), dir_);
    ASSERT_EQ(init.exit_code, 0) << init.err;
  }

  // The command's arguments followed by the options that reach the test database.
  std::vector<std::string> Args(std::vector<std::string> args) const {
    args.insert(args.end(), {"--aliases", db_->AliasFile(), "--db", db_->Alias()});
    return args;
  }
  // Runs orvgen with Args(args).
  ChildResult Run(const std::vector<std::string>& args, const std::string& input = "") const {
    return RunOrvgen(Args(args), dir_, input);
  }

  std::unique_ptr<TestDatabase> db_;
  std::string dir_;  // the children's output files

 private:
  bool init_;
};

}  // namespace orv::testing
