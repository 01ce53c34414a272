#include <orv/host/forms/sample/sampleform.h>

#include <orv/host/classes/typinfo.h>

namespace orv {

const TClassInfo& TSampleForm::StaticClassInfo() {
  static const TClassInfo info = Published<TSampleForm>()
                                     .Method("FormCreate", &TSampleForm::FormCreate)
                                     .Method("FormShow", &TSampleForm::FormShow)
                                     .Method("FormDestroy", &TSampleForm::FormDestroy)
                                     .Method("FormClick", &TSampleForm::FormClick)
                                     .Method("Edit1Change", &TSampleForm::Edit1Change)
                                     .Method("Edit1Exit", &TSampleForm::Edit1Exit)
                                     .Method("RGClick", &TSampleForm::RGClick)
                                     .Method("ComboChange", &TSampleForm::ComboChange)
                                     .Method("Image1Click", &TSampleForm::Image1Click)
                                     .Method("Image1MouseDown", &TSampleForm::Image1MouseDown)
                                     .Method("Image1MouseUp", &TSampleForm::Image1MouseUp)
                                     .Method("PlusBtnClick", &TSampleForm::PlusBtnClick)
                                     .Method("OkbtnClick", &TSampleForm::OkbtnClick);
  return info;
}

TSampleForm::TSampleForm(TComponent* owner) : TForm(owner) {
  BindField("Label1", Label1);
  BindField("Bevel1", Bevel1);
  BindField("Shape1", Shape1);
  BindField("Image1", Image1);
  BindField("Edit1", Edit1);
  BindField("RG", RG);
  BindField("Combo", Combo);
  BindField("Panel1", Panel1);
  BindField("PanelLabel", PanelLabel);
  BindField("PanelEdit", PanelEdit);
  BindField("PlusBtn", PlusBtn);
  BindField("CheckBtn", CheckBtn);
  BindField("Okbtn", Okbtn);
  BindField("Cancelbtn", Cancelbtn);
  ReadLayout(kModule, kLayout);
}

void TSampleForm::FormCreate(TObject*) {
  Log.push_back("FormCreate fields=" + std::to_string(Okbtn != nullptr));
}
void TSampleForm::FormShow(TObject*) { Log.push_back("FormShow"); }
void TSampleForm::FormDestroy(TObject*) {
  // The controls are still there while the form is being destroyed.
  if (DestroyLog)
    DestroyLog->push_back("FormDestroy edit=" + (Edit1 ? Edit1->Text() : std::string("<gone>")));
}
void TSampleForm::FormClick(TObject*) { Log.push_back("FormClick"); }
void TSampleForm::Edit1Change(TObject*) {
  Log.push_back("Edit1Change modified=" + std::to_string(Edit1->Modified()) +
                " text=" + Edit1->Text());
}
void TSampleForm::Edit1Exit(TObject*) { Log.push_back("Edit1Exit text=" + Edit1->Text()); }
void TSampleForm::RGClick(TObject*) {
  Log.push_back("RGClick index=" + std::to_string(RG->ItemIndex()));
}
void TSampleForm::ComboChange(TObject*) { Log.push_back("ComboChange text=" + Combo->Text()); }
void TSampleForm::Image1Click(TObject*) { Log.push_back("Image1Click"); }
void TSampleForm::Image1MouseDown(TObject*, TMouseButton button, TShiftState, int x, int y) {
  Log.push_back("Image1MouseDown button=" + std::to_string(button) + " at=" + std::to_string(x) +
                "," + std::to_string(y));
}
void TSampleForm::Image1MouseUp(TObject*, TMouseButton button, TShiftState, int x, int y) {
  Log.push_back("Image1MouseUp button=" + std::to_string(button) + " at=" + std::to_string(x) +
                "," + std::to_string(y));
}
void TSampleForm::PlusBtnClick(TObject*) { Log.push_back("PlusBtnClick"); }
void TSampleForm::OkbtnClick(TObject*) {
  Log.push_back("OkbtnClick result=" + std::to_string(ModalResult()));
}

}  // namespace orv
