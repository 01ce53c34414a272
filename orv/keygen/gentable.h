// The generator table's record format: the seven fields that every generator
// row holds, their types and capacities, the definitions that create the
// table, and the check that an opened table has them. Further fields are
// allowed and ignored; the order of the fields does not matter.
//
// Stateless; the check reads only the dataset's field list.
#pragma once

#include <string>
#include <vector>

#include <orv/host/db/session.h>
#include <orv/host/db/table.h>

namespace orv {

// Where generators find their table unless told otherwise: the alias every
// program shares (built in where no alias file defines it), and the shared
// generator table.
inline constexpr auto& kDefaultGenDatabase = kDefaultDatabase;
inline constexpr char kDefaultGenTable[] = "GENTBL.DB";

// Field names of a generator row.
inline constexpr char kFieldGenID[] = "GenID";    // the generator type (a number)
inline constexpr char kFieldPrefix[] = "Prefix";  // the prefix of the mask value
inline constexpr char kFieldSuffix[] = "Suffix";  // the last suffix issued
inline constexpr char kFieldTime[] = "Time";    // stamp of the last creation, claim, write or undo
inline constexpr char kFieldTry[] = "Try";      // waits counted against the current claim
inline constexpr char kFieldState[] = "State";  // 0 free, 1 claimed
inline constexpr char kFieldWho[] = "Who";      // owner stamp of the last claimer or writer

// The fields of the current row of an open generator table, each named in
// one place: row.State() rather than table->FieldByName(kFieldState).
// Raises EDatabaseError (from FieldByName) for a field the table lacks.
class TGenRow {
 public:
  explicit TGenRow(const TDataSet& table) : table_(table) {}
  TField* GenID() const { return table_.FieldByName(kFieldGenID); }
  TField* Prefix() const { return table_.FieldByName(kFieldPrefix); }
  TField* Suffix() const { return table_.FieldByName(kFieldSuffix); }
  TField* Time() const { return table_.FieldByName(kFieldTime); }
  TField* Try() const { return table_.FieldByName(kFieldTry); }
  TField* State() const { return table_.FieldByName(kFieldState); }
  TField* Who() const { return table_.FieldByName(kFieldWho); }

 private:
  const TDataSet& table_;
};

// The key fields that locate a row, as the locate operation takes them.
inline constexpr char kGenTableKey[] = "GenID;Prefix";

constexpr int kPrefixCapacity = 20;  // characters a stored prefix or suffix holds
constexpr int kStampCapacity = 17;   // characters a stored Time or Who holds

// The seven fields, in the order GenID, Prefix, Suffix, Time, Try, State, Who.
std::vector<TFieldDef> GenTableFields();

// The fields of the table's unique key: GenID and Prefix. With it a second
// insert of the same pair fails, so two programs cannot both start a row.
std::vector<std::string> GenTableUniqueKey();

// What keeps an open dataset from serving as a generator table, one line per
// field that is missing or of another type or capacity, in the field order
// above ("field 'Who' holds 18 characters, not 17"). Empty when the format is
// good. REQUIRES: table is open.
std::vector<std::string> GenTableFormatProblems(const TDataSet& table);

}  // namespace orv
