// orvdesign: the visual designer for form files (data modules and forms),
// and its headless checks for scripts. See README.
#include <QtGlobal>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include <orv/host/db/session.h>
#include <orv/host/forms/forms.h>
#include <orv/host/rtl/cp1251.h>
#include <orv/host/rtl/dialogs.h>
#include <orv/runtime/runtime.h>
#include "tools/orvdesign/designerwindow.h"
#include "tools/orvdesign/headless.h"
#include "tools/orvdesign/packages.h"

namespace {

constexpr const char* kUsage =
    "usage: orvdesign [--package PATH]... [--no-default-package] [FORM]\n"
    "       orvdesign [package options] --check FORM...\n"
    "       orvdesign [package options] --info [--values] FORM\n"
    "       orvdesign [package options] --set FORM NAME.PROPERTY=VALUE...\n"
    "Opens FORM (a form file) in the designer; without FORM, a new data module.\n"
    "  --package PATH        load this design package as well (repeatable)\n"
    "  --no-default-package  do not load orvhostpkg and orvgenpkg\n"
    "  --aliases FILE        the alias file (default $ORV_ALIASES, else "
    "~/.config/orv/aliases.ini)\n"
    "  --check FORM...       read each form; report malformed files, unknown classes\n"
    "                        and values a component refuses (exit 1 when any)\n"
    "  --info FORM           one line per component, 'Name: Class', and its verbs\n"
    "  --values              with --info: each component's values as the inspector\n"
    "                        shows them, '  PROPERTY = VALUE'\n"
    "  --set FORM NAME.PROPERTY=VALUE...\n"
    "                        set values through the property editors and save;\n"
    "                        on a refused value, or a form --check would refuse,\n"
    "                        nothing is written\n"
    "  --screenshot FILE     open the window, save a picture of it as PNG, exit\n"
    "  --help                this text\n"
    "Exit codes: 0 success, 1 an error (message on stderr), 2 a usage error.\n";

// The alias file the programs read (--aliases, else the default one), so
// that the designer's lists and key preview see the databases they use;
// tGenAlias is the session's built-in default unless that file defines it.
void PrepareSession(const std::string& aliases) {
  if (!aliases.empty()) orv::Session()->LoadAliasFile(aliases);
}

int Usage(const std::string& why) {
  std::fprintf(stderr, "orvdesign: %s\n%s", why.c_str(), kUsage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  // Past a file size limit a write should fail and be reported, not end the program.
  std::signal(SIGXFSZ, SIG_IGN);
  std::vector<std::string> packages, rest;
  bool with_default = true, values = false;
  std::string mode, screenshot, aliases;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (a == "--package") {
      if (i + 1 >= argc) return Usage("--package needs a path");
      packages.push_back(argv[++i]);
    } else if (a == "--aliases") {
      if (i + 1 >= argc) return Usage("--aliases needs a file");
      aliases = argv[++i];
    } else if (a == "--values") {
      values = true;
    } else if (a == "--no-default-package") {
      with_default = false;
    } else if (a == "--screenshot") {
      if (i + 1 >= argc) return Usage("--screenshot needs a file");
      screenshot = argv[++i];
    } else if (a == "--check" || a == "--info" || a == "--set") {
      if (!mode.empty()) return Usage("only one of --check, --info and --set");
      mode = a;
    } else if (a.size() > 1 && a[0] == '-' && a != "-") {
      return Usage("unknown option " + a);
    } else {
      rest.push_back(a);
    }
  }
  if (mode == "--check" && rest.empty()) return Usage("--check needs at least one form");
  if (mode == "--info" && rest.size() != 1) return Usage("--info takes one form");
  if (values && mode != "--info") return Usage("--values goes with --info");
  if (mode == "--set" && rest.size() < 2)
    return Usage("--set needs a form and NAME.PROPERTY=VALUE");
  if (mode.empty() && rest.size() > 1) return Usage("one form at a time");

  if (!mode.empty()) {
    // Forms are windows: they need the window layer, but no screen.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Scripts read stderr: Qt's own notes about the platform stay out of it.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
  }
  try {
    PrepareSession(aliases);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "orvdesign: %s\n", orv::Cp1251ToUtf8(e.what()).c_str());
    return 1;
  }
  orv::Application();
  orv::RegisterRuntimeClasses();  // forms of every run-time class open without a package
  if (!mode.empty()) orv::SetUserInterface(nullptr);  // no message box may wait for a click here
  const auto loaded = orv::design::LoadPackages(packages, with_default);
  for (const std::string& f : loaded.failures)
    std::fprintf(stderr, "orvdesign: %s\n", orv::Cp1251ToUtf8(f).c_str());

  if (mode == "--check") return orv::design::CheckForms(rest, std::cout, std::cerr);
  if (mode == "--info") return orv::design::InfoForm(rest[0], std::cout, std::cerr, values);
  if (mode == "--set")
    return orv::design::SetValues(rest[0], std::vector<std::string>(rest.begin() + 1, rest.end()),
                                  std::cout, std::cerr);
  return orv::design::RunDesigner(rest.empty() ? "" : rest[0], loaded.failures, screenshot);
}
