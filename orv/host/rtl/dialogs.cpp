#include <orv/host/rtl/dialogs.h>

#include <cstdio>

#include <orv/host/rtl/cp1251.h>

namespace orv {

namespace {
TUserInterface* g_ui = nullptr;
}

int TConsoleUserInterface::MessageBox(const std::string& text, const std::string& caption,
                                      unsigned) {
  std::fprintf(stderr, "%s: %s\n", Cp1251ToUtf8(caption).c_str(), Cp1251ToUtf8(text).c_str());
  std::fflush(stderr);
  return IDOK;
}

void TConsoleUserInterface::ShowMessage(const std::string& text) {
  std::fprintf(stderr, "%s\n", Cp1251ToUtf8(text).c_str());
  std::fflush(stderr);
}

std::string TRecordingUserInterface::Transcript() const {
  std::string out;
  for (const Call& c : calls) {
    if (c.kind == Call::kMessageBox) out += c.caption + ": ";
    out += c.text + "\n";
  }
  return out;
}

TUserInterface& UserInterface() {
  static TConsoleUserInterface console;
  return g_ui ? *g_ui : console;
}

void SetUserInterface(TUserInterface* ui) { g_ui = ui; }

ScopedUserInterface::ScopedUserInterface(TUserInterface* ui) : saved_(g_ui) { g_ui = ui; }
ScopedUserInterface::~ScopedUserInterface() { g_ui = saved_; }

int MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
  return UserInterface().MessageBox(text, caption, flags);
}

void ShowMessage(const std::string& text) { UserInterface().ShowMessage(text); }

void TScreen::SetCursor(TCursor cursor) {
  cursor_ = cursor;
  UserInterface().SetCursor(cursor);
}

TScreen* Screen() {
  static TScreen screen;
  return &screen;
}

}  // namespace orv
