// Builds the about box from the installed shared common library's own
// resources (offscreen) and prints what it shows.
#include <cstdio>
#include <cstdlib>

#include <orv/common/uabt.h>

int main() {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  try {
    auto* form = new orv::TAboutFrm(orv::Application());
    form->SetComponentName("TGenerator");
    std::printf("%s %dx%d %dx%d\n", form->ComponentName().c_str(), form->ClientWidth(),
                form->ClientHeight(), form->Image1->Picture()->Width(),
                form->Image1->Picture()->Height());
    form->Free();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "about_consumer: %s\n", e.what());
    return 1;
  }
  return 0;
}
