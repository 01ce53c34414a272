// TSampleForm: a form built from a stored layout that holds every kind of
// control of the window layer, with handlers bound by name. The layer's tests
// drive it, and tools/formview shows it. Each handler adds a line to Log so
// that what a person did can be read back. Main thread only.
#pragma once

#include <string>
#include <vector>

#include <orv/host/forms/buttons.h>
#include <orv/host/forms/extctrls.h>
#include <orv/host/forms/forms.h>
#include <orv/host/forms/stdctrls.h>

namespace orv {

class TSampleForm : public TForm {
  ORV_CLASS(TSampleForm, TForm)

 public:
  static constexpr const char* kModule = "formsample";   // the library's resource module
  static constexpr const char* kLayout = "TSAMPLEFORM";  // its layout resource

  // Builds the form from its layout; OnCreate has run when this returns.
  explicit TSampleForm(TComponent* owner);

  TLabel* Label1 = nullptr;
  TBevel* Bevel1 = nullptr;
  TShape* Shape1 = nullptr;
  TImage* Image1 = nullptr;
  TEdit* Edit1 = nullptr;
  TRadioGroup* RG = nullptr;
  TComboBox* Combo = nullptr;
  TPanel* Panel1 = nullptr;
  TLabel* PanelLabel = nullptr;
  TEdit* PanelEdit = nullptr;
  TBitBtn* PlusBtn = nullptr;
  TBitBtn* CheckBtn = nullptr;
  TButton* Okbtn = nullptr;
  TButton* Cancelbtn = nullptr;

  // What the handlers saw, one line each ("Edit1Change modified=1 text=ab").
  std::vector<std::string> Log;
  // Where FormDestroy reports (it outlives the form).
  std::vector<std::string>* DestroyLog = nullptr;

  void FormCreate(TObject* sender);
  void FormShow(TObject* sender);
  void FormDestroy(TObject* sender);
  void FormClick(TObject* sender);
  void Edit1Change(TObject* sender);
  void Edit1Exit(TObject* sender);
  void RGClick(TObject* sender);
  void ComboChange(TObject* sender);
  void Image1Click(TObject* sender);
  void Image1MouseDown(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  void Image1MouseUp(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  void PlusBtnClick(TObject* sender);
  void OkbtnClick(TObject* sender);
};

}  // namespace orv
