// formview: opens a form in a real window for a person to look at and try:
// the window layer's sample form (every kind of control, built from its
// stored layout), or one of the design-time package's dialogs opened the way
// the designer opens it (the package loaded with LoadPackage, a generator
// made by class name, its component editor's verb run), or the common
// library's about box. With --screenshot it saves what the window shows as PNG
// and exits.
#include <QApplication>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include <orv/common/uabt.h>
#include <orv/host/designintf/designintf.h>
#include <orv/host/designintf/package.h>
#include <orv/host/forms/forms.h>
#include <orv/host/forms/sample/sampleform.h>
#include <orv/host/forms/stdctrls.h>
#include <orv/host/rtl/cp1251.h>
#include <orv/keygen/generator.h>

namespace {

constexpr const char* kUsage =
    "usage: formview [--modal] [--about [NAME [VERSION]]] [--screenshot FILE.png]\n"
    "       formview --mask-editor [--mask M] [--start S] [--end E] [--test-mode] [--screenshot "
    "FILE.png]\n"
    "       formview --setup-dialog [--db NAME] [--table NAME] [--screenshot FILE.png]\n"
    "Opens the sample form, or a dialog of the design-time package as the designer's\n"
    "\"Edit &Mask\" and \"Setup  &DB\" verbs open it for a generator. Closing the window\n"
    "ends the program; after a dialog the generator's settings are printed.\n"
    "  --modal            show the sample form modally; print the modal result on exit\n"
    "  --about            show the about box of the common library instead (for NAME,\n"
    "                     default TGenerator, and VERSION, default \"Version 2.0\");\n"
    "                     a click on it closes it\n"
    "  --mask-editor      the mask editor dialog, for a generator with the mask M and the\n"
    "                     start and end values S and E (all empty by default)\n"
    "  --test-mode        with --screenshot: press Test first (the mask must not be empty)\n"
    "  --setup-dialog     the database setup dialog, for a generator stored with the\n"
    "                     database NAME and table NAME (default: none, GENTBL.DB)\n"
    "  --package PATH     the design-time package to load (default: the one built with\n"
    "                     this program, " ORV_GENPKG_PATH
    ")\n"
    "  --screenshot FILE  save the window's client area as PNG once shown, then exit\n"
    "  --help             this text\n";

// Saves what form shows as PNG; false (with a message) when it cannot.
bool Save(orv::TCustomForm* form, const std::string& path) {
  for (int i = 0; i < 20; ++i) orv::Application()->ProcessMessages();
  const QPixmap pixmap = form->Widget()->grab();
  if (!pixmap.save(QString::fromStdString(path), "PNG")) {
    std::fprintf(stderr, "formview: cannot write %s\n", path.c_str());
    return false;
  }
  std::printf("%s: %dx%d\n", path.c_str(), pixmap.width(), pixmap.height());
  return true;
}

// Runs fn on the modal form once its loop runs (looking again for a while).
void OnModalForm(std::function<void(orv::TCustomForm*)> fn, int attempts = 200) {
  QTimer::singleShot(10, [fn = std::move(fn), attempts]() mutable {
    auto* form =
        dynamic_cast<orv::TCustomForm*>(orv::FindControl(QApplication::activeModalWidget()));
    if (form && form->Modal()) {
      fn(form);
    } else if (attempts > 1) {
      OnModalForm(std::move(fn), attempts - 1);
    }
  });
}

struct Options {
  std::string dialog;  // "", "mask", "setup"
  bool modal = false, testMode = false, about = false;
  std::string about_name = "TGenerator", aboutVersion = "Version 2.0";
  std::string shot, mask, start, end, db, table = "GENTBL.DB";
  std::string package = ORV_GENPKG_PATH;
};

int RunDialog(const Options& o) {
  auto package = orv::LoadPackage(o.package);
  orv::TComponentPtr<orv::TComponent> owner(new orv::TComponent(nullptr));
  auto* generator = dynamic_cast<orv::TGenerator*>(orv::CreateComponent("TGenerator", owner.get()));
  if (!generator) throw orv::Exception("The package made no TGenerator");
  generator->SetName("Generator1");
  if (o.dialog == "mask") {
    generator->SetMask(o.mask);
    generator->SetStartValue(o.start);
    generator->SetEndValue(o.end);
  } else {
    generator->SetDataBaseName(o.db);
    generator->SetTableName(o.table);
  }
  bool saved = true;
  if (!o.shot.empty()) {
    OnModalForm([&](orv::TCustomForm* form) {
      if (o.testMode) {
        auto* test = dynamic_cast<orv::TButton*>(form->FindComponent("Testbtn"));
        if (test && test->Enabled()) test->Click();
      }
      saved = Save(form, o.shot);
      form->SetModalResult(orv::mrCancel);
    });
  }
  orv::TCountingDesigner designer;
  auto editor = orv::GetComponentEditor(generator, &designer);
  editor->ExecuteVerb(o.dialog == "mask" ? 0 : 1);
  if (!o.shot.empty()) return saved ? 0 : 1;
  if (o.dialog == "mask") {
    std::printf("Mask = '%s'\nStartValue = '%s'\nEndValue = '%s'\n", generator->Mask().c_str(),
                generator->StartValue().str().c_str(), generator->EndValue().str().c_str());
  } else {
    std::printf("DataBaseName = '%s'\nTableName = '%s'\n", generator->DataBaseName().c_str(),
                generator->TableName().c_str());
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool has_value = i + 1 < argc;
    if (a == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (a == "--modal") {
      o.modal = true;
    } else if (a == "--about") {
      o.about = true;
      if (i + 1 < argc && argv[i + 1][0] != '-') o.about_name = argv[++i];
      if (i + 1 < argc && argv[i + 1][0] != '-') o.aboutVersion = argv[++i];
    } else if (a == "--mask-editor") {
      o.dialog = "mask";
    } else if (a == "--setup-dialog") {
      o.dialog = "setup";
    } else if (a == "--test-mode") {
      o.testMode = true;
    } else if (has_value && (a == "--screenshot" || a == "--mask" || a == "--start" ||
                             a == "--end" || a == "--db" || a == "--table" || a == "--package")) {
      std::string* into = a == "--screenshot" ? &o.shot
                          : a == "--mask"     ? &o.mask
                          : a == "--start"    ? &o.start
                          : a == "--end"      ? &o.end
                          : a == "--db"       ? &o.db
                          : a == "--table"    ? &o.table
                                              : &o.package;
      *into = argv[++i];
    } else {
      std::fprintf(stderr, "formview: unknown argument %s\n%s", argv[i], kUsage);
      return 2;
    }
  }
  if (o.testMode && (o.dialog != "mask" || o.mask.empty())) {
    std::fprintf(stderr, "formview: --test-mode needs --mask-editor and a --mask\n");
    return 2;
  }
  try {
    orv::TApplication* app = orv::Application();
    app->SetTitle("formview");
    if (!o.dialog.empty()) return RunDialog(o);
    if (o.about && o.shot.empty()) {
      orv::ShowAboutBoxE(orv::Utf8ToCp1251OrThrow(o.about_name),
                         orv::Utf8ToCp1251OrThrow(o.aboutVersion));
      return 0;
    }
    orv::TForm* form = nullptr;
    if (o.about) {
      auto* box = new orv::TAboutFrm(app);
      box->SetComponentName(orv::Utf8ToCp1251OrThrow(o.about_name));
      box->SetVersionInfo(orv::Utf8ToCp1251OrThrow(o.aboutVersion));
      form = box;
    } else {
      form = new orv::TSampleForm(app);
    }
    app->SetMainForm(form);
    if (!o.shot.empty()) {
      form->Show();
      return Save(form, o.shot) ? 0 : 1;
    }
    if (o.modal) {
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
