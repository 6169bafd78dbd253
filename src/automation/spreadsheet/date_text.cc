#include "automation/spreadsheet/date_text.h"

#include <array>
#include <cmath>
#include <cstdint>

#include "automation/page/number_format.h"
#include "automation/workbook/workbook.h"
#include "platform/text.h"

namespace quorlex::automation::spreadsheet {
namespace {

constexpr std::uint16_t kDateModeRecord = 0x0022;
constexpr double kLastSerial = 2958465;  // 31.12.9999
constexpr int kDays1904 = 1462;          // from 1900's serial 0 to 1904's

constexpr std::array<std::string_view, 12> kMonths = {"Январь",   "Февраль", "Март",   "Апрель",
                                                      "Май",      "Июнь",    "Июль",   "Август",
                                                      "Сентябрь", "Октябрь", "Ноябрь", "Декабрь"};
constexpr std::array<std::string_view, 7> kWeekdays = {
    "воскресенье", "понедельник", "вторник", "среда", "четверг", "пятница", "суббота"};

struct DateTime {
  int year = 1900, month = 1, day = 1, weekday = 0;
  int hour = 0, minute = 0, second = 0;
};

// The civil date of a day count from 01.01.1970.
void CivilFromDays(std::int64_t z, DateTime& out) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  out.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  out.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  out.year =
      static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (out.month <= 2 ? 1 : 0));
}

std::optional<DateTime> FromSerial(double serial, bool date1904) {
  if (date1904) serial += kDays1904;
  if (!(serial >= 0) || serial >= kLastSerial + 1) return std::nullopt;
  auto seconds = static_cast<std::int64_t>(std::llround(serial * 86400));
  auto days = seconds / 86400;
  seconds %= 86400;
  DateTime t;
  t.hour = static_cast<int>(seconds / 3600);
  t.minute = static_cast<int>(seconds / 60 % 60);
  t.second = static_cast<int>(seconds % 60);
  // Serial 60 is the 29.02.1900 the 1900 date system counts; serial 0 is
  // shown as 00.01.1900.
  if (days == 0) {
    t.day = 0;
    return t;
  }
  if (days == 60) {
    t.month = 2;
    t.day = 29;
    t.weekday = 3;
    return t;
  }
  if (days < 60) ++days;
  // Serial 1 is 01.01.1900 (Sunday by this count), 25569 is 01.01.1970.
  CivilFromDays(days - 25569, t);
  t.weekday = static_cast<int>((days + 6) % 7);
  return t;
}

std::string Padded(int value, std::size_t width) {
  std::string s = std::to_string(value);
  if (s.size() < width) s.insert(0, width - s.size(), '0');
  return s;
}

std::size_t RunOf(std::string_view code, std::size_t i) {
  const char c = platform::LowerAscii(code[i]);
  std::size_t n = 1;
  while (i + n < code.size() && platform::LowerAscii(code[i + n]) == c)
    ++n;
  return n;
}

// "m" right after an hour, or right before seconds, is minutes.
bool MinutesAt(std::string_view code, std::size_t i, std::size_t n, bool after_hour) {
  if (after_hour) return true;
  for (std::size_t k = i + n; k < code.size(); ++k) {
    const char c = platform::LowerAscii(code[k]);
    if (c == 's') return true;
    if (c == 'd' || c == 'm' || c == 'y' || c == 'h') return false;
  }
  return false;
}

std::string Format(const DateTime& t, std::string_view code) {
  std::string out;
  bool after_hour = false;
  for (std::size_t i = 0; i < code.size();) {
    const char c = code[i];
    const char lower = platform::LowerAscii(c);
    if (c == '"') {
      const std::size_t end = code.find('"', i + 1);
      out += code.substr(i + 1, (end == std::string_view::npos ? code.size() : end) - i - 1);
      i = end == std::string_view::npos ? code.size() : end + 1;
    } else if (c == '\\' && i + 1 < code.size()) {
      out += code[i + 1];
      i += 2;
    } else if (c == '[') {
      const std::size_t end = code.find(']', i);
      i = end == std::string_view::npos ? code.size() : end + 1;
    } else if (c == ';') {
      break;  // only the first section shows a date
    } else if (lower == 'y') {
      const std::size_t n = RunOf(code, i);
      out += n <= 2 ? Padded(t.year % 100, 2) : Padded(t.year, 4);
      i += n;
    } else if (lower == 'd') {
      const std::size_t n = RunOf(code, i);
      if (n <= 2) {
        out += Padded(t.day, n);
      } else {
        const std::string_view name = kWeekdays[static_cast<std::size_t>(t.weekday)];
        out += n == 3 ? platform::Left(name, 2) : std::string(name);
      }
      i += n;
    } else if (lower == 'm') {
      const std::size_t n = RunOf(code, i);
      if (n <= 2 && MinutesAt(code, i, n, after_hour)) {
        out += Padded(t.minute, n);
      } else if (n <= 2) {
        out += Padded(t.month, n);
      } else {
        const std::string_view name = kMonths[static_cast<std::size_t>(t.month - 1)];
        out += n == 3 ? platform::Lower(platform::Left(name, 3)) : std::string(name);
      }
      after_hour = false;
      i += n;
    } else if (lower == 'h') {
      const std::size_t n = RunOf(code, i);
      out += Padded(t.hour, std::min<std::size_t>(n, 2));
      after_hour = true;
      i += n;
    } else if (lower == 's') {
      const std::size_t n = RunOf(code, i);
      out += Padded(t.second, std::min<std::size_t>(n, 2));
      i += n;
    } else {
      out += c;
      ++i;
    }
  }
  return out;
}

}  // namespace

bool Uses1904Dates(const workbook::Workbook& book) {
  for (const workbook::GlobalItem& item : book.Globals()) {
    if (item.record.type == kDateModeRecord && !item.record.data.empty()) {
      return item.record.data[0] != 0;
    }
  }
  return false;
}

std::optional<std::string> DateText(double serial, std::string_view code, bool date1904) {
  if (code == "m/d/yyyy" || code == "m/d/yy") code = "dd.mm.yyyy";
  if (code == "m/d/yyyy h:mm" || code == "m/d/yy h:mm") code = "dd.mm.yyyy h:mm";
  if (code.empty() || platform::EqualsIgnoringAsciiCase(code, "General") ||
      !page::IsDateFormat(code)) {
    return std::nullopt;
  }
  const std::optional<DateTime> t = FromSerial(serial, date1904);
  if (!t) return std::nullopt;
  return Format(*t, code);
}

}  // namespace quorlex::automation::spreadsheet
