// Steps a mask, opens a table and searches a text through the installed orv
// package (the common utilities without Qt).
#include <cstdio>
#include <filesystem>

#include <orv/common/orvutils.h>
#include <orv/host/db/table.h>
#include <orv/keygen/genmask.h>

int main(int argc, char** argv) {
  orv::TGenMask mask;
  mask.ScanMask("INV-####");
  mask.NullValue();
  mask.Increment();
  std::printf("%s\n", mask.GetMskValue().str().c_str());
  if (argc > 1) {
    orv::TTable table(nullptr);
    table.SetDatabaseName(argv[1]);
    table.SetTableName("KEYS.DB");
    table.CreateTable({{"ID", orv::ftInteger, 0}, {"KEY", orv::ftString, 20}});
    table.Open();
    std::printf("%d fields\n", table.FieldCount());
    table.Close();
  }
  std::printf("PosCyr %d\n", orv::PosCyr("b", "abcb"));
  return 0;
}
