#include <orv/host/db/dataset.h>

#include <algorithm>

#include <orv/host/classes/typinfo.h>
#include <orv/host/db/datasource.h>
#include <orv/host/db/driver.h>
#include <orv/host/rtl/sysutils.h>

namespace orv {

namespace {

std::vector<std::string> SplitFieldNames(const std::string& names) {
  std::vector<std::string> out;
  std::string cur;
  auto flush = [&] {
    const auto b = cur.find_first_not_of(' ');
    const auto e = cur.find_last_not_of(' ');
    if (b != std::string::npos) out.push_back(cur.substr(b, e - b + 1));
    cur.clear();
  };
  for (char c : names) {
    if (c == ';')
      flush();
    else
      cur += c;
  }
  flush();
  return out;
}

// The value as the column holds values of its type, or none when no value of
// that type can equal it (a text sought in a number column and the like).
std::optional<TVariant> ExactKey(const TVariant& v, TFieldType type) {
  if (v.IsNull()) return v;
  switch (type) {
    case ftString:
      if (v.VarType() != varString) return std::nullopt;
      return v;
    case ftInteger:
      if (!v.IsNumber()) return std::nullopt;
      if (v.VarType() == varFloat && !(TVariant(v.AsInteger()) == v)) return std::nullopt;
      return TVariant(v.AsInteger());
    case ftFloat:
      if (!v.IsNumber()) return std::nullopt;
      return TVariant(v.AsFloat());
    default:
      return v;
  }
}

bool Matches(const TVariant& stored, const TVariant& sought, TLocateOptions options) {
  if (stored.VarType() == varString && sought.VarType() == varString && options != 0) {
    std::string a = stored.AsString();
    const std::string& b = sought.AsString();
    if (options & loPartialKey) a = a.substr(0, std::min(a.size(), b.size()));
    return (options & loCaseInsensitive) ? CompareText(a, b) == 0 : a == b;
  }
  return stored == sought;
}

}  // namespace

const TClassInfo& TDataSet::StaticClassInfo() {
  static const TClassInfo info =
      Published<TDataSet>()
          .Property("Active", &TDataSet::Active, &TDataSet::SetActive)
          .Default(false)
          .Event("BeforePost", &TDataSet::BeforePost, &TDataSet::SetBeforePost)
          .Event("AfterPost", &TDataSet::AfterPost, &TDataSet::SetAfterPost)
          .Event("OnNewRecord", &TDataSet::OnNewRecord, &TDataSet::SetOnNewRecord)
          .Event("OnPostError", &TDataSet::OnPostError, &TDataSet::SetOnPostError);
  return info;
}

TDataSet::TDataSet(TComponent* owner) : TComponent(owner) {}

void TDataSet::SetActive(bool active) {
  if (Has(csLoading)) {
    open_when_loaded_ = active;
    return;
  }
  if (active)
    Open();
  else
    Close();
}

void TDataSet::Loaded() {
  TComponent::Loaded();
  if (open_when_loaded_) {
    open_when_loaded_ = false;
    Open();
  }
}

TDataSet::~TDataSet() {
  if (cursor_ && locked_) cursor_->Unlock();
  for (TDataSource* s : std::vector<TDataSource*>(sources_)) s->SetDataSet(nullptr);
}

bool TDataSet::CanModify() const { return Active() && cursor_ && !cursor_->ReadOnly(); }

void TDataSet::CheckInactive() const {
  if (Active()) throw EDatabaseError("Cannot perform this operation on an open dataset");
}

void TDataSet::CheckActive() const {
  if (!Active()) throw EDatabaseError("Cannot perform this operation on a closed dataset");
}

void TDataSet::Open() {
  if (Active()) return;
  std::unique_ptr<db::Cursor> cursor = CreateCursor();
  std::vector<std::unique_ptr<TField>> fields;
  const auto& columns = cursor->Columns();
  for (std::size_t i = 0; i < columns.size(); ++i)
    fields.push_back(std::make_unique<TField>(this, static_cast<int>(i), columns[i].name,
                                              columns[i].type, columns[i].size, false));
  const std::optional<db::Row> first = cursor->First();
  cursor_ = std::move(cursor);
  fields_ = std::move(fields);
  Load(first);
  eof_ = !first;
  modified_ = false;
  SetState(dsBrowse);
}

void TDataSet::Close() {
  if (!Active()) return;
  if (locked_) cursor_->Unlock();
  locked_ = false;
  cursor_.reset();
  fields_.clear();
  current_.reset();
  eof_ = true;
  modified_ = false;
  SetState(dsInactive);
}

TField* TDataSet::Fields(int i) const {
  if (i < 0 || i >= FieldCount())
    throw EDatabaseError("Field index out of range (" + IntToStr(i) + ")");
  return fields_[i].get();
}

TField* TDataSet::FindField(const std::string& name) const {
  for (const auto& f : fields_)
    if (CompareText(f->FieldName(), name) == 0) return f.get();
  return nullptr;
}

TField* TDataSet::FieldByName(const std::string& name) const {
  TField* f = FindField(name);
  if (!f) throw EDatabaseError("Field '" + name + "' not found");
  return f;
}

void TDataSet::First() {
  CheckActive();
  CheckBrowseMode();
  const std::optional<db::Row> row = cursor_->First();
  Load(row);
  eof_ = !row;
}

void TDataSet::Next() {
  CheckActive();
  CheckBrowseMode();
  if (eof_) return;
  if (!current_) {
    eof_ = true;
    return;
  }
  const std::optional<db::Row> row = cursor_->After(current_->id);
  if (row)
    Load(row);
  else
    eof_ = true;
}

TVariant TDataSet::Highest(const std::string& field_name) {
  CheckActive();
  return cursor_->Highest(FieldByName(field_name)->Index());
}

std::vector<TVariant> TDataSet::Insert(std::vector<db::Assignment> values) {
  for (;;) {
    try {
      return cursor_->Insert(values);
    } catch (const EDatabaseError& e) {
      if (!on_post_error_) throw;
      TDataAction action = daFail;
      on_post_error_(this, e, action);
      if (action != daRetry) throw;
    }
    values.clear();
    for (const auto& f : fields_)
      if (f->Assigned()) values.push_back({f->Index(), f->AsVariant()});
  }
}

int TDataSet::RecordCount() {
  CheckActive();
  return static_cast<int>(cursor_->Count());
}

TBookmark TDataSet::Bookmark() const {
  if (state_ == dsInsert || !current_) return {};
  return current_->id;
}

bool TDataSet::GotoBookmark(const TBookmark& bookmark) {
  CheckActive();
  CheckBrowseMode();
  if (bookmark.empty()) return false;
  const std::optional<db::Row> row = cursor_->Fetch(bookmark);
  if (!row) return false;
  Load(row);
  eof_ = false;
  return true;
}

bool TDataSet::Locate(const std::string& key_fields, const std::vector<TVariant>& values,
                      TLocateOptions options) {
  CheckActive();
  CheckBrowseMode();
  const std::vector<std::string> names = SplitFieldNames(key_fields);
  if (names.empty()) throw EDatabaseError("Locate needs at least one key field");
  std::vector<TField*> fields;
  for (const auto& n : names) fields.push_back(FieldByName(n));
  if (values.size() != fields.size())
    throw EDatabaseError("Locate was given " + IntToStr(static_cast<long long>(values.size())) +
                         " values for " + IntToStr(static_cast<long long>(fields.size())) +
                         " key fields");
  std::optional<db::Row> found;
  if (options == 0) {
    std::vector<int> columns;
    std::vector<TVariant> keys;
    for (std::size_t i = 0; i < fields.size(); ++i) {
      const std::optional<TVariant> key = ExactKey(values[i], fields[i]->DataType());
      if (!key) return false;
      columns.push_back(fields[i]->Index());
      keys.push_back(*key);
    }
    found = cursor_->Find(columns, keys);
  } else {
    for (std::optional<db::Row> row = cursor_->First(); row && !found;
         row = cursor_->After(row->id)) {
      bool all = true;
      for (std::size_t i = 0; i < fields.size() && all; ++i)
        all = Matches(row->values[fields[i]->Index()], values[i], options);
      if (all) found = row;
    }
  }
  if (!found) return false;
  Load(found);
  eof_ = false;
  return true;
}

void TDataSet::Edit() {
  CheckActive();
  if (state_ == dsEdit || state_ == dsInsert) return;
  if (!CanModify()) throw EDatabaseError("Cannot modify a read-only dataset");
  if (!current_) throw EDatabaseError("No current record to edit");
  const std::optional<db::Row> row = cursor_->Lock(current_->id);
  if (!row) throw EDatabaseError("Record was deleted by another user");
  locked_ = true;
  Load(row);
  modified_ = false;
  SetState(dsEdit);
}

void TDataSet::Insert() { BeginInsert(); }

void TDataSet::Append() { BeginInsert(); }

void TDataSet::BeginInsert() {
  CheckActive();
  CheckBrowseMode();
  if (!CanModify()) throw EDatabaseError("Cannot modify a read-only dataset");
  for (auto& f : fields_) f->LoadValue(TVariant());
  modified_ = false;
  SetState(dsInsert);
  if (on_new_record_) {
    try {
      on_new_record_(this);
    } catch (...) {
      Cancel();
      throw;
    }
  }
  modified_ = false;
}

void TDataSet::Post() {
  if (state_ != dsEdit && state_ != dsInsert)
    throw EDatabaseError("Dataset not in edit or insert mode");
  if (before_post_) before_post_(this);
  std::vector<db::Assignment> values;
  for (const auto& f : fields_)
    if (f->Assigned()) values.push_back({f->Index(), f->AsVariant()});
  std::vector<TVariant> id;
  try {
    if (state_ == dsEdit) {
      locked_ = false;  // Update commits, or rolls back on failure: the lock goes either way
      id = cursor_->Update(current_->id, values);
    } else {
      id = Insert(values);
    }
  } catch (...) {
    ReturnToBrowse(true);
    throw;
  }
  std::optional<db::Row> row;
  try {
    row = cursor_->Fetch(id);
  } catch (const EDatabaseError&) {
    // Written; only the re-read failed. Stand on the values as written.
    row = db::Row{id, {}};
    for (const auto& f : fields_) row->values.push_back(f->AsVariant());
  }
  if (row) {
    Load(row);
    eof_ = false;
  }
  modified_ = false;
  SetState(dsBrowse);
  if (after_post_) after_post_(this);
}

bool TDataSet::UpdateIf(const std::string& match_fields, const std::vector<TVariant>& expected,
                        const std::string& set_fields, const std::vector<TVariant>& values) {
  CheckActive();
  CheckBrowseMode();
  if (!CanModify()) throw EDatabaseError("Cannot modify a read-only dataset");
  if (!current_) throw EDatabaseError("No current record to edit");
  auto assignments = [&](const std::string& names, const std::vector<TVariant>& given, bool cut) {
    const std::vector<std::string> split = SplitFieldNames(names);
    if (split.size() != given.size())
      throw EDatabaseError("UpdateIf was given " + IntToStr(static_cast<long long>(given.size())) +
                           " values for " + IntToStr(static_cast<long long>(split.size())) +
                           " fields");
    std::vector<db::Assignment> out;
    for (std::size_t i = 0; i < split.size(); ++i) {
      const TField* field = FieldByName(split[i]);
      out.push_back({field->Index(), field->Converted(given[i], cut)});
    }
    return out;
  };
  const std::vector<db::Assignment> match = assignments(match_fields, expected, false);
  const std::vector<db::Assignment> set = assignments(set_fields, values, true);
  const db::ChangeResult result = cursor_->UpdateIf(current_->id, match, set);
  Load(result.row);
  eof_ = !result.row;
  return result.matched;
}

void TDataSet::Delete() {
  CheckActive();
  if (state_ == dsInsert) {
    Cancel();
    return;
  }
  if (!CanModify()) throw EDatabaseError("Cannot modify a read-only dataset");
  if (!current_) throw EDatabaseError("Cannot delete: the dataset has no current record");
  const std::vector<TVariant> id = current_->id;
  if (!locked_) {
    if (!cursor_->Lock(id)) throw EDatabaseError("Record was deleted by another user");
    locked_ = true;
  }
  try {
    cursor_->Remove(id);
  } catch (...) {
    locked_ = false;  // Remove rolled its transaction back
    ReturnToBrowse(true);
    throw;
  }
  locked_ = false;
  modified_ = false;
  std::optional<db::Row> row = cursor_->After(id);
  if (!row) row = cursor_->Before(id);
  Load(row);
  eof_ = !row;
  SetState(dsBrowse);
  Notify(Event::Rows);
}

void TDataSet::Cancel() {
  if (state_ != dsEdit && state_ != dsInsert) return;
  ReturnToBrowse(false);
}

void TDataSet::ReturnToBrowse(bool reread) {
  if (locked_) cursor_->Unlock();
  locked_ = false;
  std::optional<db::Row> row;
  if (current_) row = *current_;
  if (reread) {
    try {
      if (current_) row = cursor_->Fetch(current_->id);
      if (!row) row = cursor_->First();
    } catch (const EDatabaseError&) {
      // Keep the values last read; the next Edit reads the row afresh anyway.
    }
  }
  Load(row);
  if (!row) eof_ = true;
  modified_ = false;
  SetState(dsBrowse);
}

void TDataSet::CheckBrowseMode() {
  CheckActive();
  if (state_ == dsEdit || state_ == dsInsert) {
    if (modified_)
      Post();
    else
      Cancel();
  }
}

void TDataSet::FieldChanged(TField*) { modified_ = true; }

void TDataSet::AddDataSource(TDataSource* source) {
  if (std::find(sources_.begin(), sources_.end(), source) == sources_.end())
    sources_.push_back(source);
}

void TDataSet::RemoveDataSource(TDataSource* source) {
  sources_.erase(std::remove(sources_.begin(), sources_.end(), source), sources_.end());
}

void TDataSet::SetState(TDataSetState state) {
  if (state_ == state) return;
  state_ = state;
  Notify(Event::State);
}

void TDataSet::Notify(Event event) {
  for (TDataSource* s : std::vector<TDataSource*>(sources_)) {
    if (event == Event::Rows)
      s->RowsChanged();
    else
      s->DataSetChanged(event == Event::State, event == Event::Row);
  }
}

void TDataSet::Load(const std::optional<db::Row>& row) {
  if (row) {
    current_ = std::make_unique<db::Row>(*row);
    for (std::size_t i = 0; i < fields_.size(); ++i)
      fields_[i]->LoadValue(i < row->values.size() ? row->values[i] : TVariant());
  } else {
    current_.reset();
    LoadNull();
  }
  if (Active()) Notify(Event::Row);
}

void TDataSet::LoadNull() {
  for (auto& f : fields_) f->LoadValue(TVariant());
}

}  // namespace orv
