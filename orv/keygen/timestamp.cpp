#include <orv/keygen/timestamp.h>

#include <orv/host/rtl/sysutils.h>
#include <orv/keygen/maskchars.h>

namespace orv {

TDateTime Present = 0;
std::uint16_t Year = 0, Month = 0, Day = 0, Hour = 0, Min = 0, Sec = 0, MSec = 0;

namespace {

std::string Format(std::uint16_t y, std::uint16_t mo, std::uint16_t d, std::uint16_t h,
                   std::uint16_t mi, std::uint16_t s, std::uint16_t ms) {
  std::string text = FormatInt(y, 4) + FormatInt(mo, 2) + FormatInt(d, 2);
  text += FormatInt(h, 2) + FormatInt(mi, 2) + FormatInt(s, 2) + FormatInt(ms, 3);
  SpcTo0(text);
  return text;
}

}  // namespace

std::string GetTimeStamp() {
  Present = Now();
  DecodeDate(Present, Year, Month, Day);
  DecodeTime(Present, Hour, Min, Sec, MSec);
  return Format(Year, Month, Day, Hour, Min, Sec, MSec);
}

std::string FormatTimeStamp(TDateTime t) {
  std::uint16_t y, mo, d, h, mi, s, ms;
  DecodeDate(t, y, mo, d);
  DecodeTime(t, h, mi, s, ms);
  return Format(y, mo, d, h, mi, s, ms);
}

}  // namespace orv
