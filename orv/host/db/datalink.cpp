#include <orv/host/db/datalink.h>

#include <orv/host/db/datasource.h>

namespace orv {

TDataLink::~TDataLink() {
  if (data_source_) data_source_->RemoveLink(this);
}

void TDataLink::SetDataSource(TDataSource* source) {
  if (source == data_source_) return;
  if (data_source_) data_source_->RemoveLink(this);
  data_source_ = source;
  if (data_source_) data_source_->AddLink(this);
  SourceStateChanged();
}

TDataSet* TDataLink::DataSet() const { return data_source_ ? data_source_->DataSet() : nullptr; }

bool TDataLink::Active() const { return data_source_ && data_source_->State() != dsInactive; }

void TDataLink::SourceStateChanged() {
  const bool active = Active();
  const TDataSetState s = data_source_ ? data_source_->State() : dsInactive;
  const bool editing = s == dsEdit || s == dsInsert;
  if (active != active_) {
    active_ = active;
    ActiveChanged();
  }
  if (editing != editing_) {
    editing_ = editing;
    EditingChanged();
  }
}

void TDataLink::SourceRowChanged() {
  if (Active()) RecordChanged();
}

void TDataLink::SourceRowsChanged() {
  if (Active()) RowsChanged();
}

void TDataLink::SourceGone() {
  data_source_ = nullptr;
  SourceStateChanged();
}

TField* TFieldDataLink::Field() const {
  if (!Active() || field_name_.empty()) return nullptr;
  TDataSet* ds = DataSet();
  return ds ? ds->FindField(field_name_) : nullptr;
}

bool TFieldDataLink::CanModify() const {
  const TField* f = Field();
  return f && f->CanModify();
}

}  // namespace orv
