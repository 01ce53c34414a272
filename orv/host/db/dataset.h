// TDataSet: a set of rows with a current row, browsed, searched and changed
// through its fields. TTable is the dataset of one table; the state logic
// (browse, edit, insert, posting, events, telling data sources) lives here,
// the table access in the cursor that a descendant opens.
//
// Record locking: Edit re-reads the current row and locks it against every
// other writer (other programs and other dataset objects alike) until Post or
// Cancel; an Edit that meets another's lock raises "Record locked by another
// user" at once. A failed Post raises, gives the lock back and returns the
// dataset to dsBrowse on the row as it is stored, so the next Edit works.
//
// Threading: a dataset and its fields belong to the thread that made them.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <orv/host/classes/component.h>
#include <orv/host/classes/events.h>
#include <orv/host/db/dberrors.h>
#include <orv/host/db/field.h>
#include <orv/host/db/variant.h>

namespace orv {

namespace db {
class Cursor;
struct Assignment;
struct Row;
}  // namespace db

class TDataSource;

enum TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert };

// What Post does after OnPostError: raise the error (daFail, the default) or
// write the row again (daRetry).
enum TDataAction { daFail, daRetry };
// OnPostError: the dataset, the error its write raised, the action to take.
using TDataSetErrorEvent = TClosure<TDataSet*, const EDatabaseError&, TDataAction&>;

// Options of Locate; none means an exact, case-sensitive, whole-value match.
enum TLocateOption : unsigned {
  loCaseInsensitive = 1u << 0,  // texts compare ignoring the case of 'a'..'z'
  loPartialKey = 1u << 1,       // a text value matches the fields that begin with it
};
using TLocateOptions = unsigned;

// What names one row of a dataset for as long as the row exists: its key (or
// row number), not its place, so it still names the row after others were
// added or removed before it. Empty names no row.
using TBookmark = std::vector<TVariant>;

class TDataSet : public TComponent {
  ORV_CLASS(TDataSet, TComponent)

 public:
  explicit TDataSet(TComponent* owner);

  // Opens the dataset on its first row. Raises EDatabaseError when it cannot
  // be opened (the dataset stays closed). Opening an open dataset does nothing.
  void Open();
  // Closes the dataset, discarding a pending edit or insert (its lock is
  // given back). Fields are freed. Closing a closed dataset does nothing.
  void Close();
  bool Active() const { return state_ != dsInactive; }
  // While a form file is read, opening waits for Loaded (the names it needs
  // may come later in the file).
  void SetActive(bool active);
  void Loaded() override;
  TDataSetState State() const { return state_; }
  // The dataset is open and may be written.
  virtual bool CanModify() const;

  int FieldCount() const { return static_cast<int>(fields_.size()); }
  // Raises EDatabaseError unless 0 <= i < FieldCount().
  TField* Fields(int i) const;
  // The field of that name (case-insensitive), or null.
  TField* FindField(const std::string& name) const;
  // Like FindField, but raises EDatabaseError "Field 'NAME' not found".
  TField* FieldByName(const std::string& name) const;

  // Browsing, in the order of the table's key (or row number). Each of these
  // first finishes a pending edit as CheckBrowseMode does, and raises on a
  // closed dataset.
  void First();
  // Moves to the next row; at the last row sets Eof and stays there.
  void Next();
  // True after Next ran past the last row, and on an empty dataset.
  bool Eof() const { return eof_; }
  // The number of rows the table holds now (counted afresh).
  int RecordCount();
  // The highest value that the table holds now in the field of that name (read
  // afresh; null when every row's is null or there is no row). Leaves the
  // current row and the state alone, so it may run during an insert. Raises
  // "Field 'X' not found", and on a closed dataset.
  TVariant Highest(const std::string& field_name);
  // Finds the first row whose key_fields ("GenID;Prefix", names separated by
  // semicolons) hold values (one per field); it becomes the current row and
  // the result is true. Without options a field matches an equal value only
  // (TVariant equality: case-sensitive texts, numbers by value, a text never
  // equals a number). No row: false, the current row stays.
  // Raises "Field 'X' not found", and when the number of values differs.
  bool Locate(const std::string& key_fields, const std::vector<TVariant>& values,
              TLocateOptions options = 0);

  // The current row's bookmark; empty when there is no current row and
  // during an insert (the new row has none until it is posted).
  TBookmark Bookmark() const;
  // Makes the row that bookmark names the current one, read afresh, and
  // returns true; false when the row is gone or the bookmark is empty (the
  // current row stays). Finishes a pending edit as CheckBrowseMode does;
  // raises on a closed dataset.
  bool GotoBookmark(const TBookmark& bookmark);

  // Re-reads the current row and locks it against other writers until Post
  // or Cancel; state dsEdit. Raises ELockConflict "Record locked by another
  // user" at once when another holds it, "Record was deleted by another user" when it is
  // gone, and on a read-only or closed dataset or one without a current row.
  // In dsEdit or dsInsert it does nothing.
  void Edit();
  // Starts a new, empty row: finishes a pending edit (CheckBrowseMode),
  // enters dsInsert, tells the data sources, then raises OnNewRecord. An
  // exception from OnNewRecord cancels the insert and goes on to the caller.
  // Nothing is locked until Post.
  void Insert();
  // Insert; the row's place among the others is the table's business.
  void Append();
  // Writes the pending row: BeforePost, the write, AfterPost; the written row
  // becomes the current row, state dsBrowse. Raises on a lock conflict
  // ("Record locked by another user"), "Key violation" (EKeyViolation), or any
  // write error; then the lock is given back and the dataset is in dsBrowse on
  // the row as stored (the values set since Edit/Insert are dropped). A new
  // row whose write fails first goes to OnPostError, still in dsInsert with
  // its values: a handler that sets the action to daRetry (having changed
  // what made the write fail) has it written again, without BeforePost. An exception from
  // BeforePost leaves the dataset in its edit state and writes nothing.
  // Raises "Dataset not in edit or insert mode" unless the state is dsEdit or dsInsert.
  void Post();
  // Compare-and-set on the current row, in one transaction of its own (one
  // commit): writes values into set_fields (names separated by semicolons,
  // one value each) only when every field of match_fields holds its value
  // in expected as stored now (null matches null; texts compare exactly).
  // True: written and committed; the current row is the row as written.
  // False: nothing written; the current row is the row as stored, so the
  // caller decides again on fresh values; or, when the row is gone, there is
  // no current row (fields null, Eof true). Values are converted as
  // TField::Converted does (expected values are not cut). First finishes a
  // pending edit as CheckBrowseMode does. Raises ELockConflict "Record
  // locked by another user" when another session keeps the row (SQLite: the
  // table) locked for longer than the engine's lock wait; EConnectionLost;
  // "Field 'X' not found", a value count that differs, a read-only or closed
  // dataset or no current row; any write error. Nothing is written when it
  // raises.
  bool UpdateIf(const std::string& match_fields, const std::vector<TVariant>& expected,
                const std::string& set_fields, const std::vector<TVariant>& values);
  // Deletes the current row: locks it as Edit does, removes it and commits;
  // the row after it becomes current (the one before when it was the last,
  // none when the table is empty now), state dsBrowse. During an insert it
  // drops the new row instead (Cancel). Raises ELockConflict "Record locked
  // by another user" at once when another holds the row, "Record was deleted
  // by another user" when it is gone, and on a read-only or closed dataset
  // or one without a current row; a failed delete leaves the row stored and
  // current, state dsBrowse.
  void Delete();
  // Drops the pending edit or insert and gives the lock back; state dsBrowse.
  // In dsBrowse it does nothing.
  void Cancel();
  // In dsEdit/dsInsert: posts when a field was written, else cancels.
  void CheckBrowseMode();
  // A field was written since Edit/Insert (OnNewRecord's writes excluded).
  bool Modified() const { return modified_; }

  TDataSetNotifyEvent OnNewRecord() const { return on_new_record_; }
  void SetOnNewRecord(TDataSetNotifyEvent e) { on_new_record_ = std::move(e); }
  TDataSetNotifyEvent BeforePost() const { return before_post_; }
  void SetBeforePost(TDataSetNotifyEvent e) { before_post_ = std::move(e); }
  TDataSetNotifyEvent AfterPost() const { return after_post_; }
  void SetAfterPost(TDataSetNotifyEvent e) { after_post_ = std::move(e); }
  TDataSetErrorEvent OnPostError() const { return on_post_error_; }
  void SetOnPostError(TDataSetErrorEvent e) { on_post_error_ = std::move(e); }

  // For TField: a field's value was written (state already checked).
  void FieldChanged(TField* field);
  // For TDataSource: data sources linked to this dataset, told of every
  // change of state and of row.
  void AddDataSource(TDataSource* source);
  void RemoveDataSource(TDataSource* source);

 protected:
  ~TDataSet() override;

  // Opens the table access; raises EDatabaseError when it cannot.
  virtual std::unique_ptr<db::Cursor> CreateCursor() = 0;
  // Raises "Cannot perform this operation on an open dataset" when open.
  void CheckInactive() const;
  // Raises "Cannot perform this operation on a closed dataset" when closed.
  void CheckActive() const;

 private:
  enum class Event { State, Row, Rows };
  void SetState(TDataSetState state);
  void Notify(Event event);
  void Load(const std::optional<db::Row>& row);
  void LoadNull();
  void BeginInsert();
  // Writes a new row, handing a failure to OnPostError (see Post).
  std::vector<TVariant> Insert(std::vector<db::Assignment> values);
  void ReturnToBrowse(bool reread);

  TDataSetState state_ = dsInactive;
  std::unique_ptr<db::Cursor> cursor_;
  std::vector<std::unique_ptr<TField>> fields_;
  // The row stood on as last read (none: empty table). During an insert it
  // stays the row to return to.
  std::unique_ptr<db::Row> current_;
  bool eof_ = true;
  bool modified_ = false;
  bool locked_ = false;            // the cursor holds the row lock of an Edit
  bool open_when_loaded_ = false;  // Active was read as true from a form file
  std::vector<TDataSource*> sources_;
  TDataSetNotifyEvent on_new_record_;
  TDataSetNotifyEvent before_post_;
  TDataSetNotifyEvent after_post_;
  TDataSetErrorEvent on_post_error_;
};

}  // namespace orv
