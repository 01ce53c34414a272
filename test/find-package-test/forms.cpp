// A small Qt program against the installed window layer (orv::forms): a form
// with an edit box and a button, offscreen; the button's click is what a
// person's would be.
#include <QPushButton>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include <orv/host/classes/component.h>
#include <orv/host/forms/forms.h>
#include <orv/host/forms/stdctrls.h>

int main() {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  try {
    orv::TComponentPtr<orv::TForm> form(new orv::TForm(orv::Application()));
    form->SetClientWidth(200);
    form->SetClientHeight(80);
    auto* edit = new orv::TEdit(form.get());
    edit->SetParent(form.get());
    edit->SetText("orv");
    auto* button = new orv::TButton(form.get());
    button->SetParent(form.get());
    button->SetCaption("Twice");
    button->SetOnClick(orv::TNotifyEvent::FromCallable(
        [edit](orv::TObject*) { edit->SetText(edit->Text() + edit->Text()); }));
    form->Show();
    button->PushButton()->click();
    std::printf("%s %dx%d\n", edit->Text().c_str(), form->Widget()->width(),
                form->Widget()->height());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "forms_consumer: %s\n", e.what());
    return 1;
  }
  return 0;
}
