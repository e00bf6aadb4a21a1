// When a message was posted, as its header line shows it after the writer's
// name. Kept as the header's own clock (the host's local time): minutes since
// 1970-01-01 00:00 of that clock, no zone.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "core/text/bytes.h"

namespace pelarin {

// Two-digit years from this one up are 19xx, below it 20xx.
inline constexpr int kTwoDigitYearPivot = 80;

// The posting time that the bytes after the writer's name begin with, in one
// of the forms "MM/DD HH:MM", "YY/MM/DD HH:MM", "YYYY/MM/DD HH:MM" (blanks
// before it; a blank or the end after it); none for anything else or a value
// out of range. A missing year is the capture's (captureTime: seconds since
// the epoch, read in this machine's zone), the year before for a month after
// the capture's month.
std::optional<int64_t> postedFromHeader(ByteView afterName, int64_t captureTime);

// Minutes of the header's clock for a day and time; the fields unchecked.
int64_t postedMinutes(int year, int month, int day, int hour, int minute);
// "YYYY-MM-DD HH:MM".
std::string postedText(int64_t minutes);
// The instant it names when read as this machine's local time.
int64_t postedAsLocalSeconds(int64_t minutes);
// "Thu, 2 Apr 1996 21:14:00 +0900": this machine's zone for the offset.
std::string postedRfc5322(int64_t minutes);

// A "date:" value: "1994", "1994-04", "1994-04-01", or a range of two of
// them "A..B", with one end left open ("..B", "A..") for no bound there.
// [first, end) in minutes; none when it is not one of these.
std::optional<std::pair<int64_t, int64_t>> postedRange(std::string_view value);

// "日付 '<value>' は読めません。…": the refusal of a malformed date: value.
std::string badDateText(std::string_view value);

}  // namespace pelarin
