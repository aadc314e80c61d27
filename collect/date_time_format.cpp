// Formatting of date-time values by pictures, without an AM/PM marker on the 12-hour clock.
#include "collect/date_time_format.h"

#include <cmath>
#include <cstdio>

#include "runtime/text_operations.h"

namespace collect {
namespace {

// Day 0 of the date-time scale is 1899-12-30.
constexpr double kFirstDay = -657434.0;  // 0100-01-01
constexpr double kLastDay = 2958465.0;   // 9999-12-31
constexpr int kSecondsPerDay = 86400;
constexpr size_t kMaxPartLength = 49;

// Days since 1970-01-01 to the proleptic Gregorian calendar date.
void CivilFromDays(long long days, int& year, int& month, int& day) {
  days += 719468;
  long long era = (days >= 0 ? days : days - 146096) / 146097;
  long long dayOfEra = days - era * 146097;
  long long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  long long monthIndex = (5 * dayOfYear + 2) / 153;
  day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
  month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
  year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

std::string Number(int value, int minimumDigits) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%0*d", minimumDigits, value);
  return digits;
}

size_t RunLength(const runtime::Text& picture, size_t at) {
  size_t end = at;
  while (end < picture.size() && picture[end] == picture[at]) ++end;
  return end - at;
}

std::string Element(const CalendarFields& fields, char letter, size_t count) {
  int width = count >= 2 ? 2 : 1;
  switch (letter) {
    case 'y':
      if (count >= 3) return Number(fields.year, 4);
      return Number(fields.year % 100, width);
    case 'M': return Number(fields.month, width);
    case 'd': return Number(fields.day, width);
    case 'h': return Number(fields.hour % 12 == 0 ? 12 : fields.hour % 12, width);
    case 'H': return Number(fields.hour, width);
    case 'm': return Number(fields.minute, width);
    case 's': return Number(fields.second, width);
    default: return std::string(count, letter);
  }
}

}  // namespace

std::optional<CalendarFields> ToCalendarFields(runtime::DateTime value) {
  if (!(value >= kFirstDay && value < kLastDay + 1.0)) return std::nullopt;
  double wholeDays = std::floor(value);
  long long seconds = std::llround((value - wholeDays) * kSecondsPerDay);
  long long days = static_cast<long long>(wholeDays) + seconds / kSecondsPerDay;
  seconds %= kSecondsPerDay;
  CalendarFields fields;
  constexpr long long kDaysFrom1899To1970 = 25569;
  CivilFromDays(days - kDaysFrom1899To1970, fields.year, fields.month, fields.day);
  fields.hour = static_cast<int>(seconds / 3600);
  fields.minute = static_cast<int>(seconds / 60 % 60);
  fields.second = static_cast<int>(seconds % 60);
  return fields;
}

runtime::Text FormatPicture(const CalendarFields& fields, const runtime::Text& picture) {
  runtime::Text out;
  for (size_t at = 0; at < picture.size();) {
    char letter = picture[at];
    if (letter == '\'') {
      size_t close = picture.find('\'', at + 1);
      size_t end = close == runtime::Text::npos ? picture.size() : close;
      out.append(picture, at + 1, end - at - 1);
      at = end + 1;
      continue;
    }
    size_t count = RunLength(picture, at);
    out += Element(fields, letter, count);
    at += count;
  }
  return out.substr(0, kMaxPartLength);
}

runtime::Text FormatDateTime(runtime::DateTime value, const std::optional<runtime::Text>& datePicture,
                             const std::optional<runtime::Text>& timePicture) {
  std::optional<CalendarFields> fields = ToCalendarFields(value);
  if (!fields) return runtime::Text();
  auto part = [&](const std::optional<runtime::Text>& picture) {
    if (!picture || runtime::TextLength(*picture) <= 2) return runtime::Text();
    return FormatPicture(*fields, *picture);
  };
  return part(datePicture) + part(timePicture);
}

}  // namespace collect
