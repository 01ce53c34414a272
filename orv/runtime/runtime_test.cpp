// RegisterRuntimeClasses: one call makes every class of the linked libraries
// known by name, the window layer's too where the program links it.
#include <gtest/gtest.h>

#include <orv/host/classes/typinfo.h>
#include <orv/host/db/datasource.h>
#include <orv/host/db/table.h>
#include <orv/keygen/generator.h>
#include <orv/runtime/runtime.h>
#include <orv/unikey/unikey.h>
#include <utility>
#include <vector>
#ifdef ORV_RUNTIME_TEST_FORMS
#include <orv/host/forms/dbctrls.h>
#include <orv/host/forms/stdctrls.h>
#endif

namespace orv {
namespace {

TEST(RuntimeClasses, OneCallRegistersEveryRunTimeClass) {
  const std::vector<std::pair<const char*, const TClassInfo*>> classes = {
      {"TTable", &TTable::StaticClassInfo()},
      {"TDataSource", &TDataSource::StaticClassInfo()},
      {"TGenerator", &TGenerator::StaticClassInfo()},
      {"TUniKEY", &TUniKEY::StaticClassInfo()},
#ifdef ORV_RUNTIME_TEST_FORMS
      {"TLabel", &TLabel::StaticClassInfo()},
      {"TDBGrid", &TDBGrid::StaticClassInfo()},
#endif
  };
  for (const auto& [name, info] : classes) EXPECT_EQ(GetClass(name), nullptr) << name;
  RegisterRuntimeClasses();
  RegisterRuntimeClasses();  // again: nothing changes, nothing raised
  for (const auto& [name, info] : classes) EXPECT_EQ(GetClass(name), info) << name;
}

}  // namespace
}  // namespace orv
