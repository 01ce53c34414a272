// Test support for the window layer: drives the real widgets the way a person
// does (keys typed into the focused widget, mouse presses and releases at a
// point, Tab to leave a field, a combo box's list opened and an entry
// clicked), answers modal forms and message boxes from inside their loops,
// and saves screenshots. Everything goes through Qt's event delivery, so the
// controls get their messages through WindowProc as in use.
// Main thread only.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include <orv/host/forms/extctrls.h>
#include <orv/host/forms/forms.h>
#include <orv/host/forms/stdctrls.h>

class QWidget;

namespace orv::testing {

// The application object, on the offscreen platform unless QT_QPA_PLATFORM says otherwise.
TApplication* StartApplication();

// Shows the form and waits until its window is the active one (needed for
// focus changes). Raises Exception "Window did not become active" otherwise.
void ShowActive(TCustomForm* form);

// Types text (1251) as key presses into the control's focused widget
// (focusing the control first).
void TypeInto(TWinControl* control, const std::string& text);
// Presses and releases one key (VK_RETURN, VK_TAB, VK_ESCAPE...) on the
// control's focused widget.
void PressKey(TWinControl* control, unsigned vk, TShiftState shift = 0);
// Presses and releases the left mouse button at (x, y) of the control (its
// centre by default).
void Click(TControl* control, int x = -1, int y = -1);
void MouseDown(TControl* control, int x = -1, int y = -1);
void MouseUp(TControl* control, int x = -1, int y = -1);
// Clicks the radio button of item index.
void ChooseRadio(TRadioGroup* group, int index);
// Opens the drop-down list and clicks entry index.
void ChooseCombo(TComboBox* combo, int index);
// Moves the focus on with Tab, as a person leaving a field.
void LeaveField(TWinControl* control);

// Runs answer(form) inside the next modal loop that starts (the form that is
// modal then). The answer ends the loop: set ModalResult or click a button.
void AnswerModal(std::function<void(TCustomForm*)> answer);

// What a message box showed.
struct SeenMessageBox {
  bool seen = false;
  std::string caption, text;  // 1251
  int icon = 0;               // QMessageBox::Icon
  bool has_cancel = false;
};
// Clicks OK (IDOK) or Cancel (IDCANCEL) in the next Qt message box and
// records what it showed.
std::shared_ptr<SeenMessageBox> AnswerMessageBox(int button);

// Saves what the control shows as PNG; returns the picture's size. Raises
// Exception "Cannot save screenshot PATH".
QSize SaveScreenshot(TControl* control, const std::string& path);

// Lets Qt deliver what is waiting.
void Pump();

}  // namespace orv::testing
