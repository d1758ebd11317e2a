#include "platform/runtime/date.h"

#include <ctime>

namespace kt {
namespace {

// Gregorian calendar <-> Julian day number (Fliegel and Van Flandern).
std::int32_t ToJulian(int y, int m, int d) {
  const int a = (14 - m) / 12;
  const int yy = y + 4800 - a;
  const int mm = m + 12 * a - 3;
  return d + (153 * mm + 2) / 5 + 365 * yy + yy / 4 - yy / 100 + yy / 400 - 32045;
}

void FromJulianDay(std::int32_t jd, int& y, int& m, int& d) {
  const std::int64_t a = std::int64_t(jd) + 32044;
  const std::int64_t b = (4 * a + 3) / 146097;
  const std::int64_t c = a - 146097 * b / 4;
  const std::int64_t dd = (4 * c + 3) / 1461;
  const std::int64_t e = c - 1461 * dd / 4;
  const std::int64_t mm = (5 * e + 2) / 153;
  d = int(e - (153 * mm + 2) / 5 + 1);
  m = int(mm + 3 - 12 * (mm / 10));
  y = int(100 * b + dd - 4800 + mm / 10);
}

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

char Upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

void PutNumber(std::string& out, std::size_t pos, std::size_t width, int value) {
  for (std::size_t i = width; i-- > 0;) {
    out[pos + i] = char('0' + value % 10);
    value /= 10;
  }
}

}  // namespace

Date Date::FromYMD(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
    return Date();
  return FromJulian(ToJulian(year, month, day));
}

Date Date::Today() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return FromYMD(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}

int Date::Year() const {
  if (IsEmpty()) return 0;
  int y, m, d;
  FromJulianDay(jd_, y, m, d);
  return y;
}
int Date::Month() const {
  if (IsEmpty()) return 0;
  int y, m, d;
  FromJulianDay(jd_, y, m, d);
  return m;
}
int Date::Day() const {
  if (IsEmpty()) return 0;
  int y, m, d;
  FromJulianDay(jd_, y, m, d);
  return d;
}
int Date::DayOfWeek() const { return IsEmpty() ? 0 : int((jd_ + 1) % 7) + 1; }

std::string Date::ToDtos() const {
  if (IsEmpty()) return std::string(8, ' ');
  int y, m, d;
  FromJulianDay(jd_, y, m, d);
  std::string out(8, '0');
  PutNumber(out, 0, 4, y);
  PutNumber(out, 4, 2, m);
  PutNumber(out, 6, 2, d);
  return out;
}

Date Date::FromDtos(std::string_view text) {
  if (text.size() < 8) return Date();
  int parts[3] = {0, 0, 0};
  const int widths[3] = {4, 2, 2};
  std::size_t pos = 0;
  for (int p = 0; p < 3; ++p) {
    for (int i = 0; i < widths[p]; ++i, ++pos) {
      const char c = text[pos];
      if (c < '0' || c > '9') return Date();
      parts[p] = parts[p] * 10 + (c - '0');
    }
  }
  return FromYMD(parts[0], parts[1], parts[2]);
}

std::string Date::Format(std::string_view picture) const {
  std::string out(picture);
  int y = 0, m = 0, d = 0;
  if (!IsEmpty()) FromJulianDay(jd_, y, m, d);
  for (std::size_t i = 0; i < out.size();) {
    const char c = Upper(out[i]);
    if (c != 'D' && c != 'M' && c != 'Y') { ++i; continue; }
    std::size_t run = i;
    while (run < out.size() && Upper(out[run]) == c) ++run;
    const std::size_t width = run - i;
    if (IsEmpty()) {
      for (std::size_t k = i; k < run; ++k) out[k] = ' ';
    } else {
      int value = c == 'D' ? d : c == 'M' ? m : y;
      if (c == 'Y' && width < 4) value %= 100;
      PutNumber(out, i, width, value);
    }
    i = run;
  }
  return out;
}

Date Date::Parse(std::string_view text, std::string_view picture, int epoch, bool* ok) {
  if (ok) *ok = true;
  bool blank = true;
  for (char c : text)
    if (c != ' ' && c != '.' && c != '/' && c != '-') blank = false;
  if (blank) return Date();

  // Numbers are read in the order the picture names them; separators in the
  // text may be any non-digit, and a number may have fewer digits than its run.
  int values[3] = {0, 0, 0};
  char order[3] = {0, 0, 0};
  int yearDigits = 0;
  int count = 0;
  for (std::size_t i = 0; i < picture.size() && count < 3;) {
    const char c = Upper(picture[i]);
    if (c == 'D' || c == 'M' || c == 'Y') {
      order[count++] = c;
      while (i < picture.size() && Upper(picture[i]) == c) ++i;
    } else {
      ++i;
    }
  }
  if (count != 3) {  // a picture without all three parts: fall back to DD.MM.YYYY
    order[0] = 'D'; order[1] = 'M'; order[2] = 'Y';
  }
  std::size_t pos = 0;
  for (int p = 0; p < 3; ++p) {
    while (pos < text.size() && (text[pos] < '0' || text[pos] > '9')) {
      if (text[pos] != ' ' && text[pos] != '.' && text[pos] != '/' && text[pos] != '-') {
        if (ok) *ok = false;
        return Date();
      }
      ++pos;
    }
    int digits = 0;
    int value = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && digits < 4) {
      value = value * 10 + (text[pos] - '0');
      ++pos;
      ++digits;
    }
    if (digits == 0) {
      if (ok) *ok = false;
      return Date();
    }
    values[p] = value;
    if (order[p] == 'Y') yearDigits = digits;
  }
  for (; pos < text.size(); ++pos)
    if (text[pos] != ' ') {
      if (ok) *ok = false;
      return Date();
    }
  int y = 0, m = 0, d = 0;
  for (int p = 0; p < 3; ++p) {
    if (order[p] == 'D') d = values[p];
    else if (order[p] == 'M') m = values[p];
    else y = values[p];
  }
  if (yearDigits <= 2) {
    const int century = epoch / 100 * 100;
    y += century;
    if (y < epoch) y += 100;
  }
  Date result = FromYMD(y, m, d);
  if (result.IsEmpty() && ok) *ok = false;
  return result;
}

}  // namespace kt
