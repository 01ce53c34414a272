// Date and time as the components see it: TDateTime counts days (and their
// fractions) since 30 December 1899, local time. Every reading of "now" goes
// through one clock, which tests replace to drive time by hand.
// The clock pointer is process-wide; set it before other threads use it.
#pragma once

#include <cstdint>
#include <string>

namespace orv {

using TDateTime = double;

// The source of the current date and time.
class TClock {
 public:
  virtual ~TClock() = default;
  virtual TDateTime Now() = 0;
};

// The real clock: the system's local time to the millisecond.
TClock& SystemClock();
// Makes clock the source of Now(); nullptr restores the system clock.
// The caller keeps ownership and keeps it alive while it is installed.
void SetClock(TClock* clock);

TDateTime Now();

// RAII: makes clock the source of Now() for one scope, then restores the
// system clock. The caller keeps ownership.
class ScopedClock {
 public:
  explicit ScopedClock(TClock* clock) { SetClock(clock); }
  ~ScopedClock() { SetClock(nullptr); }
  ScopedClock(const ScopedClock&) = delete;
  ScopedClock& operator=(const ScopedClock&) = delete;
};

// Raises EConvertError for a date that does not exist (or a year outside 1..9999).
TDateTime EncodeDate(uint16_t year, uint16_t month, uint16_t day);
// Raises EConvertError unless hour < 24, min < 60, sec < 60, msec < 1000.
TDateTime EncodeTime(uint16_t hour, uint16_t min, uint16_t sec, uint16_t msec);
void DecodeDate(TDateTime t, uint16_t& year, uint16_t& month, uint16_t& day);
// Decodes to the nearest millisecond.
void DecodeTime(TDateTime t, uint16_t& hour, uint16_t& min, uint16_t& sec, uint16_t& msec);

// The 17-digit time stamp of moment t that the key libraries write: year,
// month, day, hour, minute, second and millisecond, zero-padded, e.g.
// "20261207090503045" for 7 December 2026 at 09:05:03.045.
std::string FormatTimeStamp(TDateTime t);
// The same from the parts of a moment. REQUIRES: each part fits its width
// (year 0..9999, msec 0..999, the others 0..99).
std::string FormatTimeStamp(int year, int month, int day, int hour, int min, int sec, int msec);

// A clock that stands still until told to move; for tests and benchmarks.
class TManualClock : public TClock {
 public:
  explicit TManualClock(TDateTime start) : now_(start) {}
  TDateTime Now() override { return now_; }
  void Set(TDateTime t) { now_ = t; }
  void AdvanceMs(double ms) { now_ += ms / 86400000.0; }

 private:
  TDateTime now_;
};

}  // namespace orv
