#include "core/library/posteddate.h"

#include <cstdio>
#include <ctime>
#include <limits>
#include <vector>

namespace pelarin {

namespace {

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
int64_t daysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

struct Civil {
  int64_t year;
  int month, day;
};

Civil civilFromDays(int64_t z) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  return {yoe + era * 400 + (m <= 2), m, d};
}

int daysIn(int64_t year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

bool validDate(int64_t year, int month, int day) {
  return month >= 1 && month <= 12 && day >= 1 && day <= daysIn(year, month);
}

// Runs of digits split by one separator, each run's length kept.
struct Fields {
  std::vector<int> values;
  std::vector<size_t> widths;
};

std::optional<Fields> fieldsOf(std::string_view s, char separator) {
  Fields f;
  size_t i = 0;
  while (true) {
    const size_t start = i;
    int v = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9' && i - start < 4) v = v * 10 + (s[i++] - '0');
    if (i == start || (i < s.size() && s[i] >= '0' && s[i] <= '9')) return std::nullopt;
    f.values.push_back(v);
    f.widths.push_back(i - start);
    if (i == s.size()) return f;
    if (s[i] != separator) return std::nullopt;
    ++i;
  }
}

// Minutes at the start of a "date:" bound, and at the start of the period after it.
std::optional<std::pair<int64_t, int64_t>> boundOf(std::string_view s) {
  const std::optional<Fields> f = fieldsOf(s, '-');
  if (!f || f->values.size() > 3 || f->widths[0] != 4) return std::nullopt;
  for (size_t k = 1; k < f->widths.size(); ++k)
    if (f->widths[k] != 2) return std::nullopt;
  const int year = f->values[0];
  const int month = f->values.size() > 1 ? f->values[1] : 1;
  const int day = f->values.size() > 2 ? f->values[2] : 1;
  if (year < 1 || !validDate(year, month, day)) return std::nullopt;
  const int64_t first = postedMinutes(year, month, day, 0, 0);
  int64_t end = 0;
  if (f->values.size() == 1)
    end = postedMinutes(year + 1, 1, 1, 0, 0);
  else if (f->values.size() == 2)
    end = month == 12 ? postedMinutes(year + 1, 1, 1, 0, 0) : postedMinutes(year, month + 1, 1, 0, 0);
  else
    end = first + 24 * 60;
  return std::make_pair(first, end);
}

}  // namespace

int64_t postedMinutes(int year, int month, int day, int hour, int minute) {
  return daysFromCivil(year, month, day) * 1440 + hour * 60 + minute;
}

std::optional<int64_t> postedFromHeader(ByteView afterName, int64_t captureTime) {
  size_t i = 0;
  while (i < afterName.size() && afterName[i] == ' ') ++i;
  if (i == 0 && !afterName.empty()) return std::nullopt;  // glued to the name: part of something else
  const size_t dateEnd = afterName.find(' ', i);
  if (dateEnd == ByteView::npos) return std::nullopt;
  size_t timeStart = dateEnd;
  while (timeStart < afterName.size() && afterName[timeStart] == ' ') ++timeStart;
  size_t timeEnd = afterName.find(' ', timeStart);
  if (timeEnd == ByteView::npos) timeEnd = afterName.size();
  const std::optional<Fields> date = fieldsOf(afterName.substr(i, dateEnd - i), '/');
  const std::optional<Fields> time = fieldsOf(afterName.substr(timeStart, timeEnd - timeStart), ':');
  if (!date || !time || time->values.size() != 2 || time->widths[0] != 2 || time->widths[1] != 2)
    return std::nullopt;
  const size_t n = date->values.size();
  if (n < 2 || n > 3 || date->widths[n - 1] != 2 || date->widths[n - 2] != 2) return std::nullopt;
  if (n == 3 && date->widths[0] != 2 && date->widths[0] != 4) return std::nullopt;
  const int month = date->values[n - 2], day = date->values[n - 1];
  const int hour = time->values[0], minute = time->values[1];
  if (month < 1 || month > 12 || hour > 23 || minute > 59) return std::nullopt;
  int64_t year = 0;
  if (n == 3 && date->widths[0] == 4) {
    year = date->values[0];
  } else if (n == 3) {
    year = date->values[0] + (date->values[0] >= kTwoDigitYearPivot ? 1900 : 2000);
  } else {
    const auto t = static_cast<std::time_t>(captureTime);
    std::tm tm{};
    if (!localtime_r(&t, &tm)) return std::nullopt;
    year = tm.tm_year + 1900;
    if (month > tm.tm_mon + 1) --year;  // posted before the turn of the year the log was captured after
  }
  if (year < 1 || !validDate(year, month, day)) return std::nullopt;
  return postedMinutes(static_cast<int>(year), month, day, hour, minute);
}

std::string postedText(int64_t minutes) {
  const int64_t days = minutes >= 0 ? minutes / 1440 : (minutes - 1439) / 1440;
  const int64_t inDay = minutes - days * 1440;
  const Civil c = civilFromDays(days);
  char text[40];
  std::snprintf(text, sizeof text, "%04lld-%02d-%02d %02d:%02d", static_cast<long long>(c.year), c.month,
                c.day, static_cast<int>(inDay / 60), static_cast<int>(inDay % 60));
  return text;
}

int64_t postedAsLocalSeconds(int64_t minutes) {
  const int64_t days = minutes >= 0 ? minutes / 1440 : (minutes - 1439) / 1440;
  const int64_t inDay = minutes - days * 1440;
  const Civil c = civilFromDays(days);
  std::tm tm{};
  tm.tm_year = static_cast<int>(c.year - 1900);
  tm.tm_mon = c.month - 1;
  tm.tm_mday = c.day;
  tm.tm_hour = static_cast<int>(inDay / 60);
  tm.tm_min = static_cast<int>(inDay % 60);
  tm.tm_isdst = -1;  // the zone's rule for that day says
  const std::time_t t = std::mktime(&tm);
  return t == static_cast<std::time_t>(-1) ? minutes * 60 : static_cast<int64_t>(t);
}

std::string postedRfc5322(int64_t minutes) {
  static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const auto t = static_cast<std::time_t>(postedAsLocalSeconds(minutes));
  std::tm tm{};
  if (!localtime_r(&t, &tm)) return postedText(minutes);
  const long offset = tm.tm_gmtoff / 60;
  char text[64];
  std::snprintf(text, sizeof text, "%s, %d %s %d %02d:%02d:%02d %c%02ld%02ld", kDays[tm.tm_wday], tm.tm_mday,
                kMonths[tm.tm_mon], tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec,
                offset < 0 ? '-' : '+', (offset < 0 ? -offset : offset) / 60,
                (offset < 0 ? -offset : offset) % 60);
  return text;
}

std::optional<std::pair<int64_t, int64_t>> postedRange(std::string_view value) {
  const size_t dots = value.find("..");
  if (dots == std::string_view::npos) return boundOf(value);
  const std::string_view from = value.substr(0, dots), to = value.substr(dots + 2);
  if (from.empty() && to.empty()) return std::nullopt;
  int64_t first = std::numeric_limits<int64_t>::min(), end = std::numeric_limits<int64_t>::max();
  if (!from.empty()) {
    const auto b = boundOf(from);
    if (!b) return std::nullopt;
    first = b->first;
  }
  if (!to.empty()) {
    const auto b = boundOf(to);
    if (!b) return std::nullopt;
    end = b->second;
  }
  if (first >= end) return std::nullopt;
  return std::make_pair(first, end);
}

std::string badDateText(std::string_view value) {
  return "日付 '" + std::string(value) +
         "' は読めません。date:1994、date:1994-04、date:1994-04-01..1994-06-30 のように書いてください。";
}

}  // namespace pelarin
