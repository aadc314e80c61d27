// Date-time values turned into text by date and time pictures (yyyy/M/d, hh:mm:ss and the like).
#pragma once

#include <optional>

#include "runtime/current_time.h"
#include "runtime/text.h"

namespace collect {

// Calendar fields of a date-time value, to the nearest second.
struct CalendarFields {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// The calendar fields of a date-time; nothing for a value outside the years 100 to 9999.
std::optional<CalendarFields> ToCalendarFields(runtime::DateTime value);

// The fields written by a picture: yyyy (or yy, y) year, M/MM month, d/dd day, h/hh hour on the
// 12-hour clock (0 and 12 give 12), H/HH 24-hour clock, m/mm minutes, s/ss seconds; text between
// single quotes and every other character copied. At most 49 bytes.
runtime::Text FormatPicture(const CalendarFields& fields, const runtime::Text& picture);

// The date part (when the date picture is longer than 2 bytes) followed by the time part (the
// same for the time picture); empty when the value has no calendar date.
runtime::Text FormatDateTime(runtime::DateTime value,
                             const std::optional<runtime::Text>& datePicture = std::nullopt,
                             const std::optional<runtime::Text>& timePicture = std::nullopt);

}  // namespace collect
