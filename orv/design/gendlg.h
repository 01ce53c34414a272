// TEMskDlg: the modal dialog in which a designer's user composes a
// generator's mask symbol by symbol, enters its start and end values, and
// tries the mask out by stepping a value up and down (test mode, a panel
// below the normal area that the window grows to show).
//
// The dialog works on a mask engine of its own, gendlg::Mt, not on the
// generator. The caller sets Edit1 (mask), svEdit (start) and evEdit (end),
// shows the dialog modally and reads the three texts back after OK. The
// engine and the flags gendlg::SVOK / gendlg::EVOK (a start / end value was
// accepted) are unit state shared by every use of the dialog: showing it does
// not reset the flags, so a later use starts with what an earlier one left.
//
// Errors: a malformed mask raised by the engine ends the running handler and
// is shown by the application's error box; the dialog stays open. Values
// that do not fit the mask are reported by the engine's own message boxes.
// Threading: main thread only; one dialog at a time (the state is shared).
#pragma once

#include <orv/host/forms/buttons.h>
#include <orv/host/forms/extctrls.h>
#include <orv/host/forms/forms.h>
#include <orv/host/forms/stdctrls.h>
#include <orv/keygen/genmask.h>

namespace orv {

// The resource module of the design-time package: its layouts and pictures.
inline constexpr const char* kDesignModule = "orvgenpkg";

namespace gendlg {

// The dialog's mask engine: created by FormCreate, freed (and null again) by
// FormDestroy of the dialog that created it.
extern TGenMask* Mt;
// The value in svEdit / evEdit was accepted. False when the package is loaded.
extern bool SVOK;
extern bool EVOK;

// Window heights: the normal area only, and with the test panel.
inline constexpr int kNormalHeight = 257;
inline constexpr int kTestHeight = 317;
inline constexpr int kGrowStep = 5;     // pixels per step entering test mode
inline constexpr int kShrinkStep = 10;  // pixels per step leaving it

}  // namespace gendlg

class TEMskDlg : public TForm {
  ORV_CLASS(TEMskDlg, TForm)

 public:
  static constexpr const char* kLayout = "TEMSKDLG";

  // Builds the dialog from its layout; FormCreate has run when this returns.
  explicit TEMskDlg(TComponent* owner);

  // The controls, in the order of the form's control list.
  TLabel* Label1 = nullptr;
  TLabel* Label2 = nullptr;
  TBevel* Bevel1 = nullptr;
  TBevel* Bevel2 = nullptr;
  TBevel* Bevel3 = nullptr;
  TBevel* Bevel4 = nullptr;
  TLabel* Label3 = nullptr;
  TLabel* Label4 = nullptr;
  TEdit* Edit1 = nullptr;
  TRadioGroup* RG = nullptr;
  TButton* Addbtn = nullptr;
  TButton* Okbtn = nullptr;
  TButton* Cancelbtn = nullptr;
  TEdit* Edit2 = nullptr;
  TEdit* svEdit = nullptr;
  TEdit* evEdit = nullptr;
  TButton* Erasebtn = nullptr;
  TButton* Testbtn = nullptr;
  TBitBtn* Plusbtn = nullptr;
  TBitBtn* Endbtn = nullptr;
  TEdit* Edit3 = nullptr;
  TBitBtn* Minusbtn = nullptr;

  // Handlers, bound by the layout.
  void FormCreate(TObject* sender);
  void FormDestroy(TObject* sender);
  void FormShow(TObject* sender);
  void RGClick(TObject* sender);
  void AddbtnClick(TObject* sender);
  void Edit1Change(TObject* sender);
  void ErasebtnClick(TObject* sender);
  void svEditExit(TObject* sender);
  void evEditExit(TObject* sender);
  void OkbtnClick(TObject* sender);
  void TestbtnClick(TObject* sender);
  void PlusbtnClick(TObject* sender);
  void MinusbtnClick(TObject* sender);
  void EndbtnClick(TObject* sender);

 private:
  // Sets the window height in steps of step pixels from `from` towards `to`,
  // redrawing after each step, and ends exactly at `to`.
  void StepHeight(int from, int to, int step);
  // The start/end value check made when its box is left.
  bool CheckLimit(TEdit* edit, const char* message);
};

}  // namespace orv
