#include <orv/hostpkg/hostpalette.h>

#include <orv/host/db/datasource.h>
#include <orv/host/db/dbregister.h>
#include <orv/host/db/table.h>
#include <orv/host/designintf/designintf.h>
#include <orv/host/forms/buttons.h>
#include <orv/host/forms/dbctrls.h>
#include <orv/host/forms/extctrls.h>
#include <orv/host/forms/formclasses.h>
#include <orv/host/forms/stdctrls.h>

namespace orv::hostpkg {

void RegisterPalette() {
  RegisterDbClasses();
  RegisterFormClasses();
  RegisterDBControlClasses();
  RegisterComponents(kDataAccessPage,
                     {&TTable::StaticClassInfo(), &TDataSource::StaticClassInfo()});
  RegisterComponents(kStandardPage, {&TLabel::StaticClassInfo(), &TEdit::StaticClassInfo(),
                                     &TButton::StaticClassInfo(), &TBitBtn::StaticClassInfo(),
                                     &TComboBox::StaticClassInfo(), &TRadioGroup::StaticClassInfo(),
                                     &TPanel::StaticClassInfo(), &TBevel::StaticClassInfo(),
                                     &TShape::StaticClassInfo(), &TImage::StaticClassInfo()});
  RegisterComponents(
      kDataControlsPage,
      {&TDBEdit::StaticClassInfo(), &TDBGrid::StaticClassInfo(), &TDBMemo::StaticClassInfo(),
       &TDBImage::StaticClassInfo(), &TDBListBox::StaticClassInfo(),
       &TDBComboBox::StaticClassInfo(), &TDBCheckBox::StaticClassInfo(),
       &TDBRadioGroup::StaticClassInfo(), &TDBLookupListBox::StaticClassInfo(),
       &TDBLookupComboBox::StaticClassInfo(), &TDBCtrlGrid::StaticClassInfo()});
}

}  // namespace orv::hostpkg
