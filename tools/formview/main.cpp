// formview: opens the window layer's sample form (every kind of control,
// built from its stored layout) in a real window, for a person to look at and
// try. With --screenshot it saves what the window shows as PNG and exits.
#include <QApplication>
#include <QPixmap>
#include <QWidget>

#include <cstdio>
#include <cstring>
#include <string>

#include "host/forms/sample/sampleform.h"

namespace {

constexpr const char* kUsage =
    "usage: formview [--modal] [--screenshot FILE.png]\n"
    "Opens the sample form in a window. Closing the window ends the program.\n"
    "  --modal            show the form modally; print the modal result on exit\n"
    "  --screenshot FILE  save the form's client area as PNG once shown, then exit\n"
    "  --help             this text\n";

}  // namespace

int main(int argc, char** argv) {
  bool modal = false;
  std::string shot;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--help")) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (!std::strcmp(argv[i], "--modal")) {
      modal = true;
    } else if (!std::strcmp(argv[i], "--screenshot") && i + 1 < argc) {
      shot = argv[++i];
    } else {
      std::fprintf(stderr, "formview: unknown argument %s\n%s", argv[i], kUsage);
      return 2;
    }
  }
  try {
    orv::TApplication* app = orv::Application();
    app->SetTitle("formview");
    auto* form = new orv::TSampleForm(app);
    app->SetMainForm(form);
    if (!shot.empty()) {
      form->Show();
      for (int i = 0; i < 20; ++i) app->ProcessMessages();
      const QPixmap pixmap = form->Widget()->grab();
      if (!pixmap.save(QString::fromStdString(shot), "PNG")) {
        std::fprintf(stderr, "formview: cannot write %s\n", shot.c_str());
        return 1;
      }
      std::printf("%s: %dx%d\n", shot.c_str(), pixmap.width(), pixmap.height());
      return 0;
    }
    if (modal) {
      std::printf("ModalResult = %d\n", form->ShowModal());
      return 0;
    }
    app->Run();
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "formview: %s\n", e.what());
    return 1;
  }
}
