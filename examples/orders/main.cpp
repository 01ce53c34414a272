// orders: a small order-entry program. Clerks take orders at the same time,
// each order numbered ORD-##### from a generator table that every copy of
// the program shares, each new record stamped with a time-based key.
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include <orv/host/db/session.h>
#include <orv/host/forms/forms.h>

#include "app.h"

namespace {
constexpr const char* kUsage =
    "usage: orders [--db NAME] [--aliases FILE] [--screenshot FILE]\n"
    "  --db NAME          the database: an alias or a SQLite directory (default tGenAlias)\n"
    "  --aliases FILE     read the aliases from FILE instead of ~/.config/orv/aliases.ini\n"
    "  --screenshot FILE  open the window, save a picture of it as PNG, exit\n"
    "Exit codes: 0 success, 1 an error (message on stderr), 2 a usage error.\n";
}  // namespace

int main(int argc, char** argv) {
  std::string database = orv::kDefaultDatabase, aliases, screenshot;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    std::string* value = a == "--db"           ? &database
                         : a == "--aliases"    ? &aliases
                         : a == "--screenshot" ? &screenshot
                                               : nullptr;
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (!value || i + 1 >= argc) {
      std::fprintf(stderr, "orders: %s %s\n%s", value ? "missing value for" : "unknown option",
                   a.c_str(), kUsage);
      return 2;
    }
    *value = argv[++i];
  }
  try {
    orv::TApplication* app = orv::Application();
    app->SetTitle("Orders");
    if (!aliases.empty()) orv::Session()->LoadAliasFile(aliases);
    orders::TOrdersForm* form = orders::OpenOrders(database);
    app->SetMainForm(form);
    if (screenshot.empty()) {
      app->Run();
      return 0;
    }
    form->SetVisible(true);
    const auto [width, height] = orv::SaveScreenshot(form, screenshot);
    std::printf("%s: %dx%d\n", screenshot.c_str(), width, height);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "orders: %s\n", e.what());
    return 1;
  }
  return 0;
}
