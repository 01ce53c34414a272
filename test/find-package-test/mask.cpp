// Uses only the installed mask engine (orv::mask): no database library may
// appear on this program's link line (run.cmake checks the command).
#include <cstdio>

#include <orv/keygen/genmask.h>

int main() {
  orv::TGenMask mask;
  mask.ScanMask("AB-$#");
  mask.NullValue();
  for (int i = 0; i < 11; ++i) mask.Increment();  // A0 .. A9, then a carry: B0, B1
  std::printf("%s\n", mask.GetMskValue().str().c_str());
  return 0;
}
