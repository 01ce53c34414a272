// The window-system calls that the components make: modal message boxes, the
// simple message dialog and the screen cursor. They go through one
// TUserInterface, chosen per process: the console one by default (stderr), the
// Qt one while the window layer is active, a recording one in tests.
// Main thread only, like every user-interface call.
#pragma once

#include <string>
#include <vector>

namespace orv {

// Message box flags: one button set plus one icon.
constexpr unsigned MB_OK = 0x00;               // one OK button
constexpr unsigned MB_OKCANCEL = 0x01;         // OK and Cancel
constexpr unsigned MB_ICONERROR = 0x10;        // the error (stop) icon
constexpr unsigned MB_ICONINFORMATION = 0x40;  // the information icon
constexpr unsigned MB_ICONMASK = 0xF0;         // selects the icon bits

// Message box results.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

using TCursor = int;
constexpr TCursor crDefault = 0;     // the ordinary arrow
constexpr TCursor crAppStart = -19;  // arrow with hourglass: working, still usable

class TUserInterface {
 public:
  virtual ~TUserInterface() = default;
  // A modal message box owned by the application's main window; returns the
  // button pressed (IDOK, IDCANCEL). Texts are code page 1251.
  virtual int MessageBox(const std::string& text, const std::string& caption, unsigned flags) = 0;
  // The simple modal message dialog with one OK button.
  virtual void ShowMessage(const std::string& text) = 0;
  virtual void SetCursor(TCursor cursor) = 0;
};

// Writes "CAPTION: TEXT" (message box) and "TEXT" (message) to stderr in UTF-8;
// the cursor is ignored. Answers IDOK.
class TConsoleUserInterface : public TUserInterface {
 public:
  int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
  void ShowMessage(const std::string& text) override;
  void SetCursor(TCursor) override {}
};

// Records every call for tests; answers each message box with Answer.
class TRecordingUserInterface : public TUserInterface {
 public:
  struct Call {
    enum Kind { kMessageBox, kShowMessage } kind;
    std::string caption;  // empty for kShowMessage
    std::string text;
    unsigned flags;
  };
  int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override {
    calls.push_back({Call::kMessageBox, caption, text, flags});
    return answer;
  }
  void ShowMessage(const std::string& text) override {
    calls.push_back({Call::kShowMessage, "", text, MB_OK});
  }
  void SetCursor(TCursor cursor) override { cursors.push_back(cursor); }

  // "CAPTION: TEXT" / "TEXT" per call, one per line: easy to compare in tests.
  std::string Transcript() const;

  std::vector<Call> calls;
  std::vector<TCursor> cursors;
  int answer = IDOK;
};

// The interface in force (the console one unless another is installed).
TUserInterface& UserInterface();
// Installs ui; nullptr restores the console one. The caller keeps ownership.
void SetUserInterface(TUserInterface* ui);

// RAII: installs ui for one scope, then restores what was there.
class ScopedUserInterface {
 public:
  explicit ScopedUserInterface(TUserInterface* ui);
  ~ScopedUserInterface();
  ScopedUserInterface(const ScopedUserInterface&) = delete;
  ScopedUserInterface& operator=(const ScopedUserInterface&) = delete;

 private:
  TUserInterface* saved_;
};

int MessageBox(const std::string& text, const std::string& caption, unsigned flags);
void ShowMessage(const std::string& text);

// The screen object: the application's cursor.
class TScreen {
 public:
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor cursor);

 private:
  TCursor cursor_ = crDefault;
};
TScreen* Screen();

}  // namespace orv
