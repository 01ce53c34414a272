// Registers a control on the designer's palette through the installed
// designer interfaces (orv::designintf), as a design package would.
#include <cstdio>

#include <orv/host/designintf/designintf.h>
#include <orv/host/forms/stdctrls.h>

int main() {
  orv::RegisterComponents("Consumer", {&orv::TButton::StaticClassInfo()});
  const auto classes = orv::PaletteClasses("Consumer");
  std::printf("%zu on Consumer\n", classes.size());
  return 0;
}
