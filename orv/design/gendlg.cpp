#include <orv/design/gendlg.h>

#include <memory>

#include <orv/host/classes/typinfo.h>
#include <orv/host/rtl/dialogs.h>

namespace orv {

namespace gendlg {
TGenMask* Mt = nullptr;
bool SVOK = false;
bool EVOK = false;
}  // namespace gendlg

using gendlg::EVOK;
using gendlg::Mt;
using gendlg::SVOK;

namespace {

// The dialog that created Mt: only it frees the engine.
const TEMskDlg* g_mt_owner = nullptr;

// The last controls of the form's list, which test mode leaves as they are:
// Plusbtn, Endbtn, Edit3, Minusbtn. Leaving it enables all but the last three.
constexpr int kKeptInTestMode = 4;
constexpr int kKeptLeavingTestMode = 3;

// What Add appends for each item of RG; text is Edit2's.
std::string PieceFor(int item, const std::string& text) {
  switch (item) {
    case 0:
      return text;
    case 1:
      return "[" + text + "]";
    case 2:
      return "@";
    case 3:
      return "#";
    case 4:
      return "$";
    case 5:
      return "&";
    default:
      return "";
  }
}

}  // namespace

const TClassInfo& TEMskDlg::StaticClassInfo() {
  static const TClassInfo info = Published<TEMskDlg>()
                                     .Method("FormCreate", &TEMskDlg::FormCreate)
                                     .Method("FormDestroy", &TEMskDlg::FormDestroy)
                                     .Method("FormShow", &TEMskDlg::FormShow)
                                     .Method("RGClick", &TEMskDlg::RGClick)
                                     .Method("AddbtnClick", &TEMskDlg::AddbtnClick)
                                     .Method("Edit1Change", &TEMskDlg::Edit1Change)
                                     .Method("ErasebtnClick", &TEMskDlg::ErasebtnClick)
                                     .Method("svEditExit", &TEMskDlg::svEditExit)
                                     .Method("evEditExit", &TEMskDlg::evEditExit)
                                     .Method("OkbtnClick", &TEMskDlg::OkbtnClick)
                                     .Method("TestbtnClick", &TEMskDlg::TestbtnClick)
                                     .Method("PlusbtnClick", &TEMskDlg::PlusbtnClick)
                                     .Method("MinusbtnClick", &TEMskDlg::MinusbtnClick)
                                     .Method("EndbtnClick", &TEMskDlg::EndbtnClick);
  return info;
}

TEMskDlg::TEMskDlg(TComponent* owner) : TForm(owner) {
  BindField("Label1", Label1);
  BindField("Label2", Label2);
  BindField("Bevel1", Bevel1);
  BindField("Bevel2", Bevel2);
  BindField("Bevel3", Bevel3);
  BindField("Bevel4", Bevel4);
  BindField("Label3", Label3);
  BindField("Label4", Label4);
  BindField("Edit1", Edit1);
  BindField("RG", RG);
  BindField("Addbtn", Addbtn);
  BindField("Okbtn", Okbtn);
  BindField("Cancelbtn", Cancelbtn);
  BindField("Edit2", Edit2);
  BindField("svEdit", svEdit);
  BindField("evEdit", evEdit);
  BindField("Erasebtn", Erasebtn);
  BindField("Testbtn", Testbtn);
  BindField("Plusbtn", Plusbtn);
  BindField("Endbtn", Endbtn);
  BindField("Edit3", Edit3);
  BindField("Minusbtn", Minusbtn);
  ReadLayout(kDesignModule, kLayout);
}

void TEMskDlg::FormCreate(TObject*) {
  delete Mt;  // one dialog at a time: an engine left behind is not in use
  Mt = new TGenMask();
  g_mt_owner = this;
}

void TEMskDlg::FormDestroy(TObject*) {
  if (g_mt_owner != this) return;
  delete Mt;
  Mt = nullptr;
  g_mt_owner = nullptr;
}

void TEMskDlg::FormShow(TObject*) {
  const std::string mask = Edit1->Text();
  Testbtn->SetEnabled(!mask.empty());
  if (!mask.empty()) {
    Mt->ScanMask(mask);
    if (!svEdit->Text().empty()) Mt->SetStartValue(svEdit->Text());
    if (!evEdit->Text().empty()) Mt->SetEndValue(evEdit->Text());
    svEdit->SetEnabled(Testbtn->Enabled());
    evEdit->SetEnabled(Testbtn->Enabled());
  }
  SetHeight(gendlg::kNormalHeight);
}

void TEMskDlg::RGClick(TObject*) {
  const int item = RG->ItemIndex();
  Edit2->SetReadOnly(item != 0 && item != 1);
  Label2->SetEnabled(!Edit2->ReadOnly());
  Edit2->SetEnabled(Label2->Enabled());
}

void TEMskDlg::AddbtnClick(TObject*) {
  const int item = RG->ItemIndex();
  if (item < 0) {
    ShowMessage("Select symbol to add!");
  } else {
    Edit1->SetText(Edit1->Text() + PieceFor(item, Edit2->Text()));
    Mt->ScanMask(Edit1->Text());
  }
  const bool has_mask = !Edit1->Text().empty();
  Testbtn->SetEnabled(has_mask);
  svEdit->SetEnabled(has_mask);
  evEdit->SetEnabled(has_mask);
}

void TEMskDlg::Edit1Change(TObject*) {
  if (!Edit1->Modified()) return;  // text set by the program
  Mt->ScanMask(Edit1->Text());
  const bool has_mask = !Edit1->Text().empty();
  svEdit->SetEnabled(has_mask);
  evEdit->SetEnabled(has_mask);
}

void TEMskDlg::ErasebtnClick(TObject*) {
  Edit1->SetText("");
  svEdit->SetText("");
  evEdit->SetText("");
  SVOK = false;
  EVOK = false;
  Testbtn->SetEnabled(false);
}

bool TEMskDlg::CheckLimit(TEdit* edit, const char* message) {
  const std::string text = edit->Text();
  if (text.empty()) return false;
  if (text.size() != Mt->GetSuffix().Length()) {
    ShowMessage(message);
    return false;
  }
  return Mt->Validate(text);
}

void TEMskDlg::svEditExit(TObject*) { SVOK = CheckLimit(svEdit, "Invalid StartValue"); }

void TEMskDlg::evEditExit(TObject*) { EVOK = CheckLimit(evEdit, "Invalid EndValue"); }

void TEMskDlg::OkbtnClick(TObject*) {
  if (!svEdit->Text().empty()) SVOK = Mt->Validate(svEdit->Text());
  if (!evEdit->Text().empty()) EVOK = Mt->Validate(evEdit->Text());
}

void TEMskDlg::StepHeight(int from, int to, int step) {
  SetHeight(from);
  if (from < to) {
    for (int h = from; h < to;) {
      h += step;
      SetHeight(h < to ? h : to);
      Repaint();
    }
  } else {
    for (int h = from; h > to;) {
      h -= step;
      SetHeight(h > to ? h : to);
      Repaint();
    }
  }
  SetHeight(to);
}

void TEMskDlg::TestbtnClick(TObject*) {
  StepHeight(gendlg::kNormalHeight, gendlg::kTestHeight, gendlg::kGrowStep);
  Mt->ScanMask(Edit1->Text());
  if (SVOK) {
    Mt->SetStartValue(svEdit->Text());
    Mt->SetSuffix(svEdit->Text());
  } else {
    Mt->NullValue();
  }
  if (EVOK) Mt->SetEndValue(evEdit->Text());
  Edit3->SetText(Mt->GetMskValue().str());
  for (int i = 0; i < ControlCount() - kKeptInTestMode; ++i) Controls(i)->SetEnabled(false);
}

void TEMskDlg::PlusbtnClick(TObject*) {
  Mt->Increment();
  Edit3->SetText(Mt->GetMskValue().str());
}

void TEMskDlg::MinusbtnClick(TObject*) {
  Mt->Decrement();
  Edit3->SetText(Mt->GetMskValue().str());
}

void TEMskDlg::EndbtnClick(TObject*) {
  for (int i = 0; i < ControlCount() - kKeptLeavingTestMode; ++i) Controls(i)->SetEnabled(true);
  StepHeight(gendlg::kTestHeight, gendlg::kNormalHeight, gendlg::kShrinkStep);
}

}  // namespace orv
