// TDataSource: the link between a dataset and what shows or watches it (data
// links, data-aware controls, the stamper). It follows the dataset's state
// and raises OnStateChange whenever that state, as seen through it, changes:
// when the dataset opens, closes, enters or leaves edit or insert, and when
// the data source is pointed at another dataset or enabled or disabled.
// A disabled data source reports dsInactive and tells its links nothing.
//
// Threading: belongs to the thread that made it.
#pragma once

#include <vector>

#include <orv/host/classes/closure.h>
#include <orv/host/classes/component.h>
#include <orv/host/db/dataset.h>

namespace orv {

class TDataLink;

class TDataSource : public TComponent {
  ORV_CLASS(TDataSource, TComponent)

 public:
  explicit TDataSource(TComponent* owner);

  TDataSet* DataSet() const { return dataset_; }
  // Links to dataset (or none); the data source is told when the dataset is
  // freed and then links to none.
  void SetDataSet(TDataSet* dataset);
  TDataSetState State() const { return state_; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  TNotifyEvent OnStateChange() const { return on_state_change_; }
  void SetOnStateChange(TNotifyEvent e) { on_state_change_ = std::move(e); }

  void Notification(TComponent* component, TOperation operation) override;

  // For TDataSet: its state changed (state) or it moved to another row (row).
  void DataSetChanged(bool state, bool row);
  // For TDataSet: rows were removed (its current row is told apart).
  void RowsChanged();
  // For TDataLink.
  void AddLink(TDataLink* link);
  void RemoveLink(TDataLink* link);

 protected:
  ~TDataSource() override;

 private:
  void UpdateState();

  TDataSet* dataset_ = nullptr;
  TDataSetState state_ = dsInactive;
  bool enabled_ = true;
  TNotifyEvent on_state_change_;
  std::vector<TDataLink*> links_;
};

}  // namespace orv
