// TTable: the dataset of one table of a database. The database is an alias
// of the session (TSession) or a directory; the table a name in it (see
// TSession for how names are resolved on each engine). Each open TTable has
// its own connection, so two TTables lock each other out like two programs.
//
// Threading: belongs to the thread that made it.
#pragma once

#include <string>
#include <vector>

#include <orv/host/db/dataset.h>

namespace orv {

class TTable : public TDataSet {
  ORV_CLASS(TTable, TDataSet)

 public:
  explicit TTable(TComponent* owner);

  const std::string& DatabaseName() const { return database_name_; }
  // Raises "Cannot perform this operation on an open dataset" while open.
  void SetDatabaseName(const std::string& name);
  const std::string& TableName() const { return table_name_; }
  // Raises "Cannot perform this operation on an open dataset" while open.
  void SetTableName(const std::string& name);
  bool ReadOnly() const { return read_only_; }
  // Opens the table for reading only. Refused while open, like the names.
  void SetReadOnly(bool read_only);
  bool CanModify() const override;

  // The table is there. Raises when the database cannot be reached.
  bool Exists() const;
  // Creates the table with these columns; unique_key names the columns of its
  // primary key (none: rows are told apart by the engine's row number where
  // it has one). Each of unique_fields is a column of its own whose values
  // differ from row to row as well (a post that would repeat one raises
  // EKeyViolation). Raises "Table already exists: NAME", also when another
  // program creates it at the same time; refused while open.
  void CreateTable(const std::vector<TFieldDef>& fields,
                   const std::vector<std::string>& unique_key = {},
                   const std::vector<std::string>& unique_fields = {});
  // Deletes the table and its rows. Refused while open; raises when missing.
  void DeleteTable();

 protected:
  std::unique_ptr<db::Cursor> CreateCursor() override;

 private:
  std::string database_name_;
  std::string table_name_;
  bool read_only_ = false;
};

}  // namespace orv
