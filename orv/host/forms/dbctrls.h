// The data-aware controls: each follows a data source (and so a dataset)
// through a field data link. TDBEdit and TDBGrid show and edit their data:
// the edit shows its field of the current row and writes what the user types
// into it (putting the dataset into edit mode); the grid shows every row and
// column, moves the dataset to the row the user picks, and writes a cell the
// user edits with Edit and Post. The other classes follow their data source
// and show their field's text where that makes sense.
//
// A control never owns its data source; a data source that is freed unlinks
// its controls. Main thread only.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <orv/host/db/datalink.h>
#include <orv/host/db/datasource.h>
#include <orv/host/forms/controls.h>
#include <orv/host/forms/extctrls.h>
#include <orv/host/forms/stdctrls.h>

class QTableWidget;

namespace orv {

// A field data link that reports to its control.
class TControlDataLink : public TFieldDataLink {
 public:
  std::function<void()> OnDataChange;     // activated, moved to another row, row re-read
  std::function<void()> OnEditingChange;  // entered or left edit/insert
  std::function<void()> OnRowsChange;     // rows were removed

 protected:
  void ActiveChanged() override {
    if (OnDataChange) OnDataChange();
  }
  void RecordChanged() override {
    if (OnDataChange) OnDataChange();
  }
  void EditingChanged() override {
    if (OnEditingChange) OnEditingChange();
  }
  void RowsChanged() override {
    if (OnRowsChange) OnRowsChange();
  }
};

// A control that shows one field of a data source: the link and its two
// published properties. A control that must react to a new field or source
// declares its own setter.
template <class Base>
class TFieldControl : public Base {
 public:
  explicit TFieldControl(TComponent* owner) : Base(owner) {}
  TDataSource* DataSource() const { return link_.DataSource(); }
  void SetDataSource(TDataSource* source) { link_.SetDataSource(source); }
  const std::string& DataField() const { return link_.FieldName(); }
  void SetDataField(const std::string& name) { link_.SetFieldName(name); }

 protected:
  TControlDataLink link_;
};

// An edit box showing one field of the current row.
class TDBEdit : public TFieldControl<TEdit> {
  ORV_CLASS(TDBEdit, TEdit)
 public:
  explicit TDBEdit(TComponent* owner);
  ~TDBEdit() override;
  void SetDataSource(TDataSource* source);
  void SetDataField(const std::string& name);
  // The field shown, while the link is active.
  TField* Field() const { return link_.Field(); }

 protected:
  void Change() override;

 private:
  void DataChange();
  bool writing_ = false;  // the user's text is on its way into the field
};

// A grid of every row (lines) and field (columns) of the dataset. Each line
// keeps the bookmark of the row it shows, so that picking or editing a line
// always reaches that row, and a row the grid does not show yet (one just
// posted) makes it read the rows again.
class TCustomDBGrid : public TWinControl {
  ORV_CLASS(TCustomDBGrid, TWinControl)
 public:
  explicit TCustomDBGrid(TComponent* owner);
  ~TCustomDBGrid() override;
  TDataSource* DataSource() const { return link_.DataSource(); }
  void SetDataSource(TDataSource* source);
  int RowCount() const;
  int ColCount() const;
  // The text shown in a cell; "" outside the grid.
  std::string Cell(int row, int col) const;
  // The row the grid takes as the dataset's current one (-1 when none).
  int CurrentRow() const { return current_; }
  // Reads every row again (the dataset ends on the row it was on).
  void Refresh();
  QTableWidget* Table() const;

 private:
  void DataChange();
  void MoveTo(int row);
  void UserPicked(int row);
  void UserEdited(int row, int col, const std::string& text);
  void ShowRow(int row);
  TControlDataLink link_;
  // Finds the line showing the dataset's current row; -1 when none does.
  int LineOfCurrentRow(TDataSet* ds) const;
  std::vector<std::vector<std::string>> rows_;
  std::vector<TBookmark> marks_;  // the row each line shows
  int current_ = -1;
  bool moving_ = false;  // the grid itself moves the dataset
};

class TDBGrid : public TCustomDBGrid {
  ORV_CLASS(TDBGrid, TCustomDBGrid)
 public:
  using TCustomDBGrid::TCustomDBGrid;
};

// The remaining data-aware controls: they follow a data source; the text
// controls show their field's text.
class TDBMemo : public TFieldControl<TWinControl> {
  ORV_CLASS(TDBMemo, TWinControl)
 public:
  explicit TDBMemo(TComponent* owner);
  void SetDataField(const std::string& name);

 protected:
  std::string GetText() const override;
  void SetTextBuf(const std::string& text) override;
};

class TDBImage : public TFieldControl<TWinControl> {
  ORV_CLASS(TDBImage, TWinControl)
 public:
  explicit TDBImage(TComponent* owner);
};

class TDBListBox : public TFieldControl<TWinControl> {
  ORV_CLASS(TDBListBox, TWinControl)
 public:
  explicit TDBListBox(TComponent* owner);
  TStrings* Items() const { return &items_; }

 private:
  mutable TStringList items_;
};

class TDBComboBox : public TFieldControl<TComboBox> {
  ORV_CLASS(TDBComboBox, TComboBox)
 public:
  explicit TDBComboBox(TComponent* owner);
  void SetDataField(const std::string& name);
};

class TDBCheckBox : public TFieldControl<TWinControl> {
  ORV_CLASS(TDBCheckBox, TWinControl)
 public:
  explicit TDBCheckBox(TComponent* owner);
  void SetDataField(const std::string& name);
  // Checked while the field's text is ValueChecked ("True").
  bool Checked() const;

 protected:
  void TextChanged() override;
};

class TDBRadioGroup : public TFieldControl<TRadioGroup> {
  ORV_CLASS(TDBRadioGroup, TRadioGroup)
 public:
  explicit TDBRadioGroup(TComponent* owner);
  void SetDataField(const std::string& name);
};

// The lookup controls: the key of DataField is looked up in ListSource.
class TDBLookupControl : public TFieldControl<TWinControl> {
  ORV_CLASS(TDBLookupControl, TWinControl)
 public:
  explicit TDBLookupControl(TComponent* owner);
  TDataSource* ListSource() const { return list_link_.DataSource(); }
  void SetListSource(TDataSource* source) { list_link_.SetDataSource(source); }

 private:
  TControlDataLink list_link_;
};

class TDBLookupListBox : public TDBLookupControl {
  ORV_CLASS(TDBLookupListBox, TDBLookupControl)
 public:
  using TDBLookupControl::TDBLookupControl;
};

class TDBLookupComboBox : public TDBLookupControl {
  ORV_CLASS(TDBLookupComboBox, TDBLookupControl)
 public:
  using TDBLookupControl::TDBLookupControl;
};

// A grid of panels, one per row.
class TDBCtrlGrid : public TWinControl {
  ORV_CLASS(TDBCtrlGrid, TWinControl)
 public:
  explicit TDBCtrlGrid(TComponent* owner);
  TDataSource* DataSource() const { return link_.DataSource(); }
  void SetDataSource(TDataSource* source) { link_.SetDataSource(source); }

 private:
  TControlDataLink link_;
};

// Makes the data-aware control classes known to form files.
void RegisterDBControlClasses();

}  // namespace orv
