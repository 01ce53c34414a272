// The about box of a component: a small borderless, always-on-top window with
// the component's name as its heading, a version line, the maker's logo word
// over a picture, and two clickable labels that open the maker's web page and
// a new mail message through the desktop's launcher (ExecuteCmnd). A click on
// the box's background, its pictures or its OK image closes it with modal
// result 1; the OK image shows its pressed picture while the button is held.
//
// The layout (TABOUTFRM) and the pictures (BTNOK_UP, BTNOK_DN, ABOUTBG,
// ABOUTICON) are the library's own Qt resources (module "orvcommon"). The
// maker's web and mail addresses, the notice line and the product-kind
// wording are build settings (ORV_ABOUT_* cache variables).
//
// Threading: main thread only; one about box at a time (the two OK pictures
// belong to the unit, not to a form).
// Errors: building the form raises what the window layer raises for a missing
// resource or a bad layout; ExecuteCmnd reports only through its result.
#pragma once

#include <string>

#include <orv/host/forms/extctrls.h>
#include <orv/host/forms/forms.h>
#include <orv/host/forms/stdctrls.h>

namespace orv {

class TAboutFrm : public TForm {
  ORV_CLASS(TAboutFrm, TForm)
 public:
  static constexpr const char* kModule = "orvcommon";  // the library's resource module
  static constexpr const char* kLayout = "TABOUTFRM";  // the form's layout resource

  // Builds the form from its layout; FormCreate has run when this returns.
  explicit TAboutFrm(TComponent* owner);

  // The heading (CapLbl's caption) and the version line (VerLbl's caption);
  // the setters replace the whole caption.
  std::string ComponentName() const;
  void SetComponentName(const std::string& name);
  std::string VersionInfo() const;
  void SetVersionInfo(const std::string& info);

  TImage* Image1 = nullptr;
  TShape* Shape1 = nullptr;
  TShape* Shape2 = nullptr;
  TShape* Shape3 = nullptr;
  TShape* Shape4 = nullptr;
  TShape* Shape5 = nullptr;
  TImage* Image2 = nullptr;
  TLabel* Label1 = nullptr;
  TLabel* CapLbl = nullptr;
  TLabel* Label2 = nullptr;
  TLabel* Label3 = nullptr;
  TLabel* Label4 = nullptr;
  TLabel* Label6 = nullptr;
  TLabel* Label7 = nullptr;
  TLabel* httplbl = nullptr;
  TLabel* Label10 = nullptr;
  TLabel* mailtolbl = nullptr;
  TImage* OkBtn = nullptr;
  TLabel* Label5 = nullptr;
  TLabel* Label13 = nullptr;
  TLabel* Label14 = nullptr;
  TLabel* Label15 = nullptr;
  TLabel* VerLbl = nullptr;

  // Handlers bound by the layout.
  void FormCreate(TObject* sender);
  void FormDestroy(TObject* sender);
  void FormShow(TObject* sender);
  void FormClick(TObject* sender);
  void httplblClick(TObject* sender);
  void mailtolblClick(TObject* sender);
  void OkBtnMouseDown(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  void OkBtnMouseUp(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
};

// The maker's details the box shows and opens (build settings).
const std::string& AboutWebAddress();   // the page httplblClick opens
const std::string& AboutMailAddress();  // the address mailtolblClick writes to (without "mailto:")

// Shows the about box for name modally, with an empty version line, then
// frees it. When showing raises, the error goes on and the form is left to its
// owner, the application object.
void ShowAboutBox(const std::string& Name);
// Shows the about box for CompName with the version line VerInfo modally;
// frees the form afterwards, also when showing it raises (the error goes on).
void ShowAboutBoxE(const std::string& CompName, const std::string& VerInfo);

// Opens FileName (a web address, "mailto:...", a document) with the desktop's
// launcher (ShellExecute), Params as its parameter text (an empty text adds no
// argument), in DefaultDir when that directory exists, owned by the main
// form's window (none without a main form). Returns the launcher's result:
// above 32 on success. Texts of any length are passed whole (nothing is cut
// to a fixed buffer: a cut address would open another page).
unsigned ExecuteCmnd(const std::string& FileName, const std::string& Params,
                     const std::string& DefaultDir, int ShowCmd);

}  // namespace orv
