#include <orv/host/db/driver.h>

#include <orv/host/db/postgresql/pg_driver.h>
#include <orv/host/db/sqlite/sqlite_driver.h>
#include <orv/host/rtl/cp1251.h>

namespace orv::db {

Driver* FindDriver(const std::string& name) {
  if (name == "sqlite") return SqliteDriver();
  if (name == "postgresql") return PostgresDriver();
  return nullptr;
}

std::string FromUtf8(std::string_view text) {
  if (auto whole = Utf8ToCp1251(text)) return *whole;
  std::string out;
  std::size_t i = 0;
  while (i < text.size()) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    std::size_t len = c < 0x80         ? 1
                      : (c >> 5) == 6  ? 2
                      : (c >> 4) == 14 ? 3
                      : (c >> 3) == 30 ? 4
                                       : 1;
    if (i + len > text.size()) len = 1;
    const auto one = Utf8ToCp1251(text.substr(i, len));
    out += one ? *one : "?";
    i += len;
  }
  return out;
}

}  // namespace orv::db
