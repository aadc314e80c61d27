// The system clock as the program's date-time value.
#pragma once

namespace runtime {

// Days since 1899-12-30 00:00 local time, as a date-time.
using DateTime = double;

// The current local time to the whole second.
DateTime CurrentTime();

// The date-time of a local calendar date and clock time.
DateTime MakeDateTime(int year, int month, int day, int hour, int minute, int second);

}  // namespace runtime
