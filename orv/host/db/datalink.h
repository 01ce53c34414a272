// TDataLink: how one object follows a data source (and so its dataset):
// it is told when the dataset opens or closes, enters or leaves an edit
// state, or moves to another row. TFieldDataLink follows one field of it.
// A link is owned by whoever follows; it may outlive its data source, which
// unlinks it when freed.
//
// Threading: belongs to the thread that made it.
#pragma once

#include <string>

#include <orv/host/db/dataset.h>

namespace orv {

class TDataSource;

class TDataLink {
 public:
  TDataLink() = default;
  TDataLink(const TDataLink&) = delete;
  TDataLink& operator=(const TDataLink&) = delete;
  virtual ~TDataLink();

  TDataSource* DataSource() const { return data_source_; }
  void SetDataSource(TDataSource* source);
  // The data source's dataset, or null.
  TDataSet* DataSet() const;
  // The data source is enabled and its dataset open.
  bool Active() const;

  // For TDataSource.
  void SourceStateChanged();
  void SourceRowChanged();
  void SourceRowsChanged();
  void SourceGone();

 protected:
  // The link became active or inactive.
  virtual void ActiveChanged() {}
  // The dataset entered or left dsEdit/dsInsert.
  virtual void EditingChanged() {}
  // The dataset moved to another row, or its row was re-read.
  virtual void RecordChanged() {}
  // Rows were removed from the dataset; a link that shows one row need not care.
  virtual void RowsChanged() {}

 private:
  TDataSource* data_source_ = nullptr;
  bool active_ = false;
  bool editing_ = false;
};

class TFieldDataLink : public TDataLink {
 public:
  const std::string& FieldName() const { return field_name_; }
  void SetFieldName(const std::string& name) { field_name_ = name; }
  // The dataset's field of FieldName while the link is active, else null.
  TField* Field() const;
  // The field exists, and field and dataset may be written.
  bool CanModify() const;

 private:
  std::string field_name_;
};

}  // namespace orv
