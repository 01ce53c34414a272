// The order-entry program's main form (ordersform.ofm): a grid of the
// orders, edits for the current one, the buttons New, Save, Cancel and
// Delete, and a status line. The form holds its own data source; Attach links
// it to the data module's table. The program and the design package orderspkg
// both register it. Main thread only.
#pragma once

#include <orv/host/forms/forms.h>

namespace orders {

class TOrdersData;

class TOrdersForm : public orv::TForm {
  ORV_CLASS(TOrdersForm, orv::TForm)
 public:
  explicit TOrdersForm(orv::TComponent* owner) : orv::TForm(owner) {}
  // Shows data's orders and names its database in the status line.
  void Attach(TOrdersData* data, const std::string& database);

  void NewClick(orv::TObject* sender);
  void SaveClick(orv::TObject* sender);
  void CancelClick(orv::TObject* sender);
  void DeleteClick(orv::TObject* sender);
  // An order being entered or edited is not dropped unasked.
  void FormCloseQuery(orv::TObject* sender, bool& can_close);

 private:
  TOrdersData* data_ = nullptr;
};

}  // namespace orders
