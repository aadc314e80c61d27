// Local time read from the system clock and turned into days since 1899-12-30.
#include "runtime/current_time.h"

#include <ctime>

namespace runtime {

namespace {

// Days from 1970-01-01 to the given date of the proleptic Gregorian calendar.
long DaysFromCivil(long year, unsigned month, unsigned day) {
  year -= month <= 2 ? 1 : 0;
  const long era = (year >= 0 ? year : year - 399) / 400;
  const auto yearOfEra = static_cast<unsigned>(year - era * 400);
  const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + static_cast<long>(dayOfEra) - 719468;
}

constexpr long kDaysFrom1899To1970 = 25569;

}  // namespace

DateTime MakeDateTime(int year, int month, int day, int hour, int minute, int second) {
  const long days = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) +
                    kDaysFrom1899To1970;
  const double seconds = hour * 3600.0 + minute * 60.0 + second;
  return static_cast<double>(days) + seconds / 86400.0;
}

DateTime CurrentTime() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return MakeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                      local.tm_min, local.tm_sec);
}

}  // namespace runtime
