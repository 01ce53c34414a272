#include <orv/host/db/datasource.h>

#include <algorithm>

#include <orv/host/classes/typinfo.h>
#include <orv/host/db/datalink.h>

namespace orv {

const TClassInfo& TDataSource::StaticClassInfo() {
  static const TClassInfo info =
      Published<TDataSource>()
          .Property("DataSet", &TDataSource::DataSet, &TDataSource::SetDataSet)
          .Property("Enabled", &TDataSource::Enabled, &TDataSource::SetEnabled)
          .Default(true)
          .Event("OnStateChange", &TDataSource::OnStateChange, &TDataSource::SetOnStateChange);
  return info;
}

TDataSource::TDataSource(TComponent* owner) : TComponent(owner) {}

TDataSource::~TDataSource() {
  if (dataset_) {
    dataset_->RemoveDataSource(this);
    dataset_->RemoveFreeNotification(this);
  }
  for (TDataLink* l : std::vector<TDataLink*>(links_)) l->SourceGone();
}

void TDataSource::SetDataSet(TDataSet* dataset) {
  if (dataset == dataset_) return;
  if (dataset_) {
    dataset_->RemoveDataSource(this);
    dataset_->RemoveFreeNotification(this);
  }
  dataset_ = dataset;
  if (dataset_) {
    dataset_->AddDataSource(this);
    dataset_->FreeNotification(this);
  }
  UpdateState();
  for (TDataLink* l : std::vector<TDataLink*>(links_)) l->SourceRowChanged();
}

void TDataSource::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  UpdateState();
}

void TDataSource::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove && component == dataset_) {
    dataset_->RemoveDataSource(this);
    dataset_ = nullptr;
    UpdateState();
  }
  TComponent::Notification(component, operation);
}

void TDataSource::DataSetChanged(bool state, bool row) {
  if (state) UpdateState();
  if (row && enabled_)
    for (TDataLink* l : std::vector<TDataLink*>(links_)) l->SourceRowChanged();
}

void TDataSource::RowsChanged() {
  if (enabled_)
    for (TDataLink* l : std::vector<TDataLink*>(links_)) l->SourceRowsChanged();
}

void TDataSource::UpdateState() {
  const TDataSetState now = (enabled_ && dataset_) ? dataset_->State() : dsInactive;
  if (now == state_) return;
  state_ = now;
  for (TDataLink* l : std::vector<TDataLink*>(links_)) l->SourceStateChanged();
  if (on_state_change_) on_state_change_(this);
}

void TDataSource::AddLink(TDataLink* link) {
  if (std::find(links_.begin(), links_.end(), link) == links_.end()) links_.push_back(link);
}

void TDataSource::RemoveLink(TDataLink* link) {
  links_.erase(std::remove(links_.begin(), links_.end(), link), links_.end());
}

}  // namespace orv
