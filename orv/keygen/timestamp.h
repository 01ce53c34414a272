// The generator's time stamps: the 17-digit text (year, month, day, hour,
// minute, second, millisecond, zero-padded) that the generator table keeps in
// its Time field, and the unit variables that the last reading of the
// clock leaves behind.
//
// Every reading goes through orv::Now(), so tests drive it with a TManualClock.
// The stamp of a given moment, without the unit variables, is FormatTimeStamp
// (orv/host/rtl/datetime.h).
// Threading: main thread only. GetTimeStamp writes the unit variables, which
// are not synchronised.
#pragma once

#include <cstdint>
#include <string>

#include <orv/host/rtl/datetime.h>

namespace orv {

// The unit variables: the moment GetTimeStamp last read and its decoded parts.
// They keep their values after the call; nothing in the system reads them.
extern TDateTime Present;
extern std::uint16_t Year, Month, Day, Hour, Min, Sec, MSec;

constexpr std::size_t kStampLength = 17;  // characters of a time stamp

// The current moment as 17 digits, e.g. "20261207090503045" for 7 December
// 2026 at 09:05:03.045. Stores the moment in Present and its parts in Year ...
// MSec. A year past 9999 cannot occur (TDateTime's range ends there).
std::string GetTimeStamp();

}  // namespace orv
