#include "ordersform.h"

#include <orv/host/db/datasource.h>
#include <orv/host/db/session.h>
#include <orv/host/db/table.h>
#include <orv/host/forms/stdctrls.h>

#include "ordersdata.h"

namespace orders {

void TOrdersForm::Attach(TOrdersData* data, const std::string& database) {
  data_ = data;
  dynamic_cast<orv::TDataSource&>(*FindComponent("OrdersSource")).SetDataSet(data->Orders());
  dynamic_cast<orv::TLabel&>(*FindComponent("StatusLine"))
      .SetCaption("Database: " + orv::DescribeDatabase(database));
}

void TOrdersForm::NewClick(orv::TObject*) {
  data_->Orders()->Append();
  dynamic_cast<orv::TWinControl&>(*FindComponent("CustomerEdit")).SetFocus();
}

void TOrdersForm::SaveClick(orv::TObject*) {
  if (data_->Orders()->State() != orv::dsBrowse) data_->Orders()->Post();
}

void TOrdersForm::CancelClick(orv::TObject*) { data_->Orders()->Cancel(); }

void TOrdersForm::DeleteClick(orv::TObject*) {
  orv::TTable* orders = data_->Orders();
  if (orders->State() == orv::dsInsert || orders->Bookmark().empty()) return orders->Cancel();
  const std::string number = orders->FieldByName("ORDNO")->AsString();
  if (orv::Application()->MessageBox("Delete order " + number + "?", "Orders", orv::MB_OKCANCEL) ==
      orv::IDOK)
    orders->Delete();
}

void TOrdersForm::FormCloseQuery(orv::TObject*, bool& can_close) {
  orv::TTable* orders = data_ ? data_->Orders() : nullptr;
  if (!orders || orders->State() == orv::dsBrowse || !orders->Modified()) return;
  can_close =
      orv::Application()->MessageBox("The order being entered is not saved. Close and drop it?",
                                     "Orders", orv::MB_OKCANCEL) == orv::IDOK;
  if (can_close) orders->Cancel();
}

const orv::TClassInfo& TOrdersForm::StaticClassInfo() {
  static const orv::TClassInfo info = orv::Published<TOrdersForm>()
                                          .Method("NewClick", &TOrdersForm::NewClick)
                                          .Method("SaveClick", &TOrdersForm::SaveClick)
                                          .Method("CancelClick", &TOrdersForm::CancelClick)
                                          .Method("DeleteClick", &TOrdersForm::DeleteClick)
                                          .Method("FormCloseQuery", &TOrdersForm::FormCloseQuery);
  return info;
}

}  // namespace orders
