#include <orv/host/rtl/datetime.h>

#include <chrono>
#include <cmath>
#include <ctime>

#include <orv/host/rtl/exception.h>
#include <orv/host/rtl/sysutils.h>

namespace orv {

namespace {

constexpr long long kMsPerDay = 86400000;
// Days from 0001-01-01 to 1899-12-30, the origin of TDateTime.
constexpr long long kDelta = 693593;

bool IsLeap(int y) { return y % 4 == 0 && (y % 100 != 0 || y % 400 == 0); }
int DaysInMonth(int y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// Whole milliseconds since the origin, rounded to the nearest.
long long ToMs(TDateTime t) { return std::llround(t * kMsPerDay); }

class SystemClockImpl : public TClock {
 public:
  TDateTime Now() override {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t secs = system_clock::to_time_t(now);
    const long long ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm tm{};
    localtime_r(&secs, &tm);
    return EncodeDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday) +
           EncodeTime(tm.tm_hour, tm.tm_min, tm.tm_sec > 59 ? 59 : tm.tm_sec, ms < 0 ? 0 : ms);
  }
};

TClock* g_clock = nullptr;

}  // namespace

TClock& SystemClock() {
  static SystemClockImpl clock;
  return clock;
}

void SetClock(TClock* clock) { g_clock = clock; }

TDateTime Now() { return (g_clock ? *g_clock : SystemClock()).Now(); }

TDateTime EncodeDate(uint16_t year, uint16_t month, uint16_t day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month))
    throw EConvertError("Invalid argument to date encode");
  long long days = 0;
  const int y = year - 1;
  days = y * 365LL + y / 4 - y / 100 + y / 400;
  for (int m = 1; m < month; ++m) days += DaysInMonth(year, m);
  days += day - 1;
  return static_cast<TDateTime>(days - kDelta);
}

TDateTime EncodeTime(uint16_t hour, uint16_t min, uint16_t sec, uint16_t msec) {
  if (hour >= 24 || min >= 60 || sec >= 60 || msec >= 1000)
    throw EConvertError("Invalid argument to time encode");
  return ((hour * 3600000LL) + min * 60000LL + sec * 1000LL + msec) /
         static_cast<double>(kMsPerDay);
}

void DecodeDate(TDateTime t, uint16_t& year, uint16_t& month, uint16_t& day) {
  const long long ms = ToMs(t);
  long long days = (ms >= 0 ? ms / kMsPerDay : -((-ms + kMsPerDay - 1) / kMsPerDay)) + kDelta;
  if (days < 0) {
    year = month = day = 0;
    return;
  }
  // Count whole 400, 100, 4 and 1 year cycles from 0001-01-01.
  long long y = 1;
  y += 400 * (days / 146097);
  days %= 146097;
  long long c = days / 36524;
  if (c == 4) c = 3;
  y += 100 * c;
  days -= c * 36524;
  y += 4 * (days / 1461);
  days %= 1461;
  long long r = days / 365;
  if (r == 4) r = 3;
  y += r;
  days -= r * 365;
  int m = 1;
  while (days >= DaysInMonth(static_cast<int>(y), m)) days -= DaysInMonth(static_cast<int>(y), m++);
  year = static_cast<uint16_t>(y);
  month = static_cast<uint16_t>(m);
  day = static_cast<uint16_t>(days + 1);
}

void DecodeTime(TDateTime t, uint16_t& hour, uint16_t& min, uint16_t& sec, uint16_t& msec) {
  long long ms = ToMs(t) % kMsPerDay;
  if (ms < 0) ms += kMsPerDay;
  hour = static_cast<uint16_t>(ms / 3600000);
  min = static_cast<uint16_t>(ms / 60000 % 60);
  sec = static_cast<uint16_t>(ms / 1000 % 60);
  msec = static_cast<uint16_t>(ms % 1000);
}

std::string FormatTimeStamp(int year, int month, int day, int hour, int min, int sec, int msec) {
  std::string text = FormatInt(year, 4) + FormatInt(month, 2) + FormatInt(day, 2);
  text += FormatInt(hour, 2) + FormatInt(min, 2) + FormatInt(sec, 2) + FormatInt(msec, 3);
  SpcTo0(text);
  return text;
}

std::string FormatTimeStamp(TDateTime t) {
  uint16_t year, month, day, hour, min, sec, msec;
  DecodeDate(t, year, month, day);
  DecodeTime(t, hour, min, sec, msec);
  return FormatTimeStamp(year, month, day, hour, min, sec, msec);
}

}  // namespace orv
