#include <orv/common/uabt.h>

#include <memory>

#include <orv/common/aboutsettings.h>
#include <orv/host/classes/typinfo.h>
#include <orv/host/forms/graphics.h>
#include <orv/host/forms/shellapi.h>

namespace orv {

namespace {
// The OK image's released and pressed pictures. They belong to the unit (one
// about box at a time); a second box replaces them, and the handlers check
// that they are there, so an overlap costs at most the picture swap.
std::unique_ptr<TBitmap> bmp_up;
std::unique_ptr<TBitmap> bmp_down;

// Where the box's own links send the launcher (the directory is the one the
// platform's about boxes named; it is ignored when it does not exist).
constexpr const char* kDefaultDir = "c:";
}  // namespace

const TClassInfo& TAboutFrm::StaticClassInfo() {
  static const TClassInfo info = Published<TAboutFrm>()
                                     .Method("FormCreate", &TAboutFrm::FormCreate)
                                     .Method("FormDestroy", &TAboutFrm::FormDestroy)
                                     .Method("FormShow", &TAboutFrm::FormShow)
                                     .Method("FormClick", &TAboutFrm::FormClick)
                                     .Method("httplblClick", &TAboutFrm::httplblClick)
                                     .Method("mailtolblClick", &TAboutFrm::mailtolblClick)
                                     .Method("OkBtnMouseDown", &TAboutFrm::OkBtnMouseDown)
                                     .Method("OkBtnMouseUp", &TAboutFrm::OkBtnMouseUp);
  return info;
}

TAboutFrm::TAboutFrm(TComponent* owner) : TForm(owner) {
  BindField("Image1", Image1);
  BindField("Shape1", Shape1);
  BindField("Shape2", Shape2);
  BindField("Shape3", Shape3);
  BindField("Shape4", Shape4);
  BindField("Shape5", Shape5);
  BindField("Image2", Image2);
  BindField("Label1", Label1);
  BindField("CapLbl", CapLbl);
  BindField("Label2", Label2);
  BindField("Label3", Label3);
  BindField("Label4", Label4);
  BindField("Label6", Label6);
  BindField("Label7", Label7);
  BindField("httplbl", httplbl);
  BindField("Label10", Label10);
  BindField("mailtolbl", mailtolbl);
  BindField("OkBtn", OkBtn);
  BindField("Label5", Label5);
  BindField("Label13", Label13);
  BindField("Label14", Label14);
  BindField("Label15", Label15);
  BindField("VerLbl", VerLbl);
  ReadLayout(kModule, kLayout);
}

std::string TAboutFrm::ComponentName() const { return CapLbl ? CapLbl->Caption() : std::string(); }
void TAboutFrm::SetComponentName(const std::string& name) {
  if (CapLbl) CapLbl->SetCaption(name);
}
std::string TAboutFrm::VersionInfo() const { return VerLbl ? VerLbl->Caption() : std::string(); }
void TAboutFrm::SetVersionInfo(const std::string& info) {
  if (VerLbl) VerLbl->SetCaption(info);
}

void TAboutFrm::FormCreate(TObject*) {
  bmp_up.reset();
  bmp_down.reset();
  bmp_up = std::make_unique<TBitmap>();
  bmp_down = std::make_unique<TBitmap>();
  // From this library's own resources, whatever program shows the box.
  bmp_up->LoadFromResourceName(kModule, "BTNOK_UP");
  bmp_down->LoadFromResourceName(kModule, "BTNOK_DN");
}

void TAboutFrm::FormDestroy(TObject*) {
  bmp_up.reset();
  bmp_down.reset();
}

void TAboutFrm::FormShow(TObject*) {
  if (OkBtn && bmp_up) OkBtn->SetPicture(bmp_up.get());
}

void TAboutFrm::FormClick(TObject*) { SetModalResult(mrOk); }

void TAboutFrm::httplblClick(TObject*) {
  ExecuteCmnd(AboutWebAddress(), "", kDefaultDir, SW_SHOWNORMAL);
}

void TAboutFrm::mailtolblClick(TObject*) {
  ExecuteCmnd("mailto:" + AboutMailAddress(), "", kDefaultDir, SW_SHOWNORMAL);
}

void TAboutFrm::OkBtnMouseDown(TObject*, TMouseButton, TShiftState, int, int) {
  if (OkBtn && bmp_down) OkBtn->SetPicture(bmp_down.get());
}

void TAboutFrm::OkBtnMouseUp(TObject*, TMouseButton, TShiftState, int, int) {
  if (OkBtn && bmp_up) OkBtn->SetPicture(bmp_up.get());
}

const std::string& AboutWebAddress() {
  static const std::string address = about_settings::kWebUrl;
  return address;
}

const std::string& AboutMailAddress() {
  static const std::string address = about_settings::kMail;
  return address;
}

void ShowAboutBoxE(const std::string& CompName, const std::string& VerInfo) {
  TComponentPtr<TAboutFrm> form(new TAboutFrm(Application()));
  form->SetComponentName(CompName);
  form->SetVersionInfo(VerInfo);
  form->ShowModal();
}

void ShowAboutBox(const std::string& Name) {
  auto* form = new TAboutFrm(Application());
  form->SetComponentName(Name);
  form->SetVersionInfo("");
  form->ShowModal();  // an error leaves the form to its owner
  form->Free();
}

unsigned ExecuteCmnd(const std::string& FileName, const std::string& Params,
                     const std::string& DefaultDir, int ShowCmd) {
  TCustomForm* main = Application()->MainForm();
  return ShellExecute(main ? main->Handle() : nullptr, nullptr, FileName, Params, DefaultDir,
                      ShowCmd);
}

}  // namespace orv
