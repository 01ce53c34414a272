// TDBSetupDlg: the small modal dialog in which a designer's user picks the
// database (an alias, or a directory) and the table that a generator keeps
// its rows in. Both boxes take typed text as well as a choice from their
// lists. Whenever the database text changes, the tables of that database are
// listed into TblName, which is enabled when they could be listed and
// disabled (empty, without a message) when not.
//
// The caller fills DBName's list, may preset both texts and the table list,
// shows the dialog modally and reads both texts after OK; nothing is checked.
// Errors: none escape (a database that cannot be listed disables TblName).
// Threading: main thread only. Listing tables may take time and happens at
// every change of the database text.
#pragma once

#include <orv/host/forms/buttons.h>
#include <orv/host/forms/forms.h>
#include <orv/host/forms/stdctrls.h>

namespace orv {

class TDBSetupDlg : public TForm {
  ORV_CLASS(TDBSetupDlg, TForm)

 public:
  static constexpr const char* kLayout = "TDBSETUPDLG";

  explicit TDBSetupDlg(TComponent* owner);

  TLabel* Label1 = nullptr;
  TLabel* Label2 = nullptr;
  TComboBox* DBName = nullptr;
  TComboBox* TblName = nullptr;
  TBitBtn* BitBtn1 = nullptr;
  TBitBtn* BitBtn2 = nullptr;

  void DBNameChange(TObject* sender);
};

}  // namespace orv
