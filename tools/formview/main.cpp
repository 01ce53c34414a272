// formview: opens the window layer's sample form (every kind of control,
// built from its stored layout) in a real window, for a person to look at and
// try; with --about, the common library's about box instead. With
// --screenshot it saves what the window shows as PNG and exits.
#include <QApplication>
#include <QPixmap>
#include <QWidget>

#include <cstdio>
#include <cstring>
#include <string>

#include "common/uabt.h"
#include "host/rtl/cp1251.h"
#include "host/forms/sample/sampleform.h"

namespace {

constexpr const char* kUsage =
    "usage: formview [--modal] [--about [NAME [VERSION]]] [--screenshot FILE.png]\n"
    "Opens the sample form in a window. Closing the window ends the program.\n"
    "  --modal            show the form modally; print the modal result on exit\n"
    "  --about            show the about box of the common library instead (for NAME,\n"
    "                     default TGenerator, and VERSION, default \"Version 2.0\");\n"
    "                     a click on it closes it\n"
    "  --screenshot FILE  save the form's client area as PNG once shown, then exit\n"
    "  --help             this text\n";

}  // namespace

int main(int argc, char** argv) {
  bool modal = false;
  bool about = false;
  std::string aboutName = "TGenerator", aboutVersion = "Version 2.0";
  std::string shot;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--help")) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (!std::strcmp(argv[i], "--modal")) {
      modal = true;
    } else if (!std::strcmp(argv[i], "--about")) {
      about = true;
      if (i + 1 < argc && argv[i + 1][0] != '-') aboutName = argv[++i];
      if (i + 1 < argc && argv[i + 1][0] != '-') aboutVersion = argv[++i];
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
    if (about && shot.empty()) {
      orv::ShowAboutBoxE(orv::Utf8ToCp1251OrThrow(aboutName), orv::Utf8ToCp1251OrThrow(aboutVersion));
      return 0;
    }
    orv::TForm* form = nullptr;
    if (about) {
      auto* box = new orv::TAboutFrm(app);
      box->SetComponentName(orv::Utf8ToCp1251OrThrow(aboutName));
      box->SetVersionInfo(orv::Utf8ToCp1251OrThrow(aboutVersion));
      form = box;
    } else {
      form = new orv::TSampleForm(app);
    }
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
