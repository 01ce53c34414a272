#include <orv/host/forms/formclasses.h>

#include <orv/host/classes/registrations.h>
#include <orv/host/classes/typinfo.h>
#include <orv/host/forms/buttons.h>
#include <orv/host/forms/controls.h>
#include <orv/host/forms/extctrls.h>
#include <orv/host/forms/forms.h>
#include <orv/host/forms/stdctrls.h>

namespace orv {

// Every class a form file may name.
void RegisterFormClasses() {
  RegisterClasses<TControl, TWinControl, TGraphicControl, TForm, TLabel, TEdit, TButton, TBitBtn,
                  TComboBox, TRadioGroup, TBevel, TShape, TImage, TPanel>();
}

namespace {
// Loading the window layer offers its classes to RegisterRuntimeClasses.
const bool kAdded = (AddClassRegistration(&RegisterFormClasses), true);
}  // namespace

}  // namespace orv
