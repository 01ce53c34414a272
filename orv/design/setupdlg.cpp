#include <orv/design/setupdlg.h>

#include <orv/design/gendlg.h>
#include <orv/host/classes/typinfo.h>
#include <orv/host/db/session.h>

namespace orv {

const TClassInfo& TDBSetupDlg::StaticClassInfo() {
  static const TClassInfo info =
      Published<TDBSetupDlg>().Method("DBNameChange", &TDBSetupDlg::DBNameChange);
  return info;
}

TDBSetupDlg::TDBSetupDlg(TComponent* owner) : TForm(owner) {
  BindField("Label1", Label1);
  BindField("Label2", Label2);
  BindField("DBName", DBName);
  BindField("TblName", TblName);
  BindField("BitBtn1", BitBtn1);
  BindField("BitBtn2", BitBtn2);
  ReadLayout(kDesignModule, kLayout);
}

void TDBSetupDlg::DBNameChange(TObject*) {
  TblName->Clear();
  try {
    Session()->GetTableNames(DBName->Text(), "", true, false, *TblName->Items());
    TblName->SetEnabled(true);
  } catch (const std::exception&) {
    // A name that is no database (yet, while it is typed): nothing to list.
    TblName->SetEnabled(false);
  }
}

}  // namespace orv
