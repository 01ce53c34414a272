// The desktop's document launcher, in the manner of ShellExecute: opens a web
// address, a mail link or a document with the handler the desktop chose
// (xdg-open). Main thread only (it waits for the launcher to hand over).
#pragma once

#include <string>

#include <orv/host/forms/forms.h>

namespace orv {

constexpr int SW_SHOWNORMAL = 1;         // show the opened window normally
constexpr unsigned SE_ERR_FNF = 2;       // nothing to open, or the launcher is missing
constexpr unsigned SE_ERR_NOASSOC = 31;  // no handler for the document, or the launch failed

// Runs the launcher with file (and params, when not empty, as a second
// argument) in directory (when it exists). Returns 42 (above 32) when the
// launcher reports success, SE_ERR_FNF when file is empty or the launcher
// cannot be run, SE_ERR_NOASSOC when it reports failure. owner, operation and
// show_cmd are accepted for the callers' sake; the desktop decides the window.
unsigned ShellExecute(HWND owner, const char* operation, const std::string& file,
                      const std::string& params, const std::string& directory, int show_cmd);

// The launcher program ("xdg-open"); tests put a recording script in its place.
const std::string& ShellLauncher();
void SetShellLauncher(const std::string& program);

}  // namespace orv
