#include <orv/keygen/timestamp.h>

namespace orv {

TDateTime Present = 0;
std::uint16_t Year = 0, Month = 0, Day = 0, Hour = 0, Min = 0, Sec = 0, MSec = 0;

std::string GetTimeStamp() {
  Present = Now();
  DecodeDate(Present, Year, Month, Day);
  DecodeTime(Present, Hour, Min, Sec, MSec);
  return FormatTimeStamp(Year, Month, Day, Hour, Min, Sec, MSec);
}

}  // namespace orv
