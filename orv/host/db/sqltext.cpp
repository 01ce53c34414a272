#include <orv/host/db/sqltext.h>

#include <orv/host/db/dberrors.h>
#include <orv/host/rtl/sysutils.h>

namespace orv::db {

std::string QuoteIdentifier(const std::string& utf8) {
  std::string out = "\"";
  for (char c : utf8) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string SqlitePlaceholder(std::size_t n) {
  return std::string("?").append(IntToStr(static_cast<long long>(n)));
}
std::string PostgresPlaceholder(std::size_t n) {
  return std::string("$").append(IntToStr(static_cast<long long>(n)));
}

std::string ColumnDefinition(const std::string& quoted_name, const TFieldDef& field,
                             const char* float_type) {
  switch (field.DataType) {
    case ftString:
      return quoted_name + (field.Size > 0 ? " VARCHAR(" + IntToStr(field.Size) + ")" : " TEXT");
    case ftInteger:
      return quoted_name + " INTEGER";
    case ftFloat:
      return quoted_name + " " + float_type;
    default:
      throw EDatabaseError("Field " + field.Name + " has no type a table can hold");
  }
}

std::string CreateTableSql(const std::string& quoted_table, const std::vector<TFieldDef>& fields,
                           const std::vector<std::string>& key,
                           const std::vector<std::string>& unique,
                           const std::function<std::string(const std::string&)>& quote,
                           const char* float_type) {
  std::string sql = "CREATE TABLE " + quoted_table + " (";
  for (std::size_t i = 0; i < fields.size(); ++i)
    sql += (i ? ", " : "") + ColumnDefinition(quote(fields[i].Name), fields[i], float_type);
  if (!key.empty()) {
    sql += ", PRIMARY KEY (";
    for (std::size_t i = 0; i < key.size(); ++i) sql += (i ? ", " : "") + quote(key[i]);
    sql += ")";
  }
  for (const std::string& column : unique) sql += ", UNIQUE (" + quote(column) + ")";
  return sql + ")";
}

std::string SetList(const std::vector<std::string>& quoted_columns, std::size_t first,
                    const Placeholder& p) {
  std::string out;
  for (std::size_t i = 0; i < quoted_columns.size(); ++i)
    out += (i ? ", " : "") + quoted_columns[i] + " = " + p(first + i);
  return out;
}

std::string NullSafeMatches(const std::vector<std::string>& quoted_columns, std::size_t first,
                            const Placeholder& p, const char* equals) {
  std::string out;
  for (std::size_t i = 0; i < quoted_columns.size(); ++i)
    out += " AND " + quoted_columns[i] + " " + equals + " " + p(first + i);
  return out;
}

}  // namespace orv::db
