#pragma once
// Calendar dates as Julian day numbers. Day 0 is the empty date (shown as
// blanks), so empty dates sort before every real date.
#include <cstdint>
#include <string>
#include <string_view>

namespace kt {

class Date {
 public:
  // Julian days of 0001-01-01 and 9999-12-31, the calendar's range.
  static constexpr std::int32_t kMinJulian = 1721426;
  static constexpr std::int32_t kMaxJulian = 5373484;

  constexpr Date() = default;
  // A day outside the calendar's range gives the empty date.
  static constexpr Date FromJulian(std::int32_t jd) {
    Date d;
    d.jd_ = jd < kMinJulian || jd > kMaxJulian ? 0 : jd;
    return d;
  }
  // Invalid calendar dates (31.02., month 13, year 0) give the empty date.
  static Date FromYMD(int year, int month, int day);
  static Date Today();

  bool IsEmpty() const { return jd_ == 0; }
  std::int32_t Julian() const { return jd_; }
  int Year() const;
  int Month() const;
  int Day() const;
  int DayOfWeek() const;  // 1 = Sunday ... 7 = Saturday, 0 for the empty date

  // "YYYYMMDD"; eight blanks for the empty date.
  std::string ToDtos() const;
  // Accepts "YYYYMMDD"; blanks or invalid text give the empty date.
  static Date FromDtos(std::string_view text);

  // Formats with a picture made of D, M and Y runs and separators
  // ("DD.MM.YYYY", "MM/DD/YY", "YYYY-MM-DD"). The empty date gives the
  // picture with its letters replaced by blanks.
  std::string Format(std::string_view picture) const;
  // Reads a date in the given picture; a two-digit year is placed in the
  // hundred years starting at `epoch` (epoch 1930: 29 -> 2029, 30 -> 1930).
  // Blank text gives the empty date; text that is not a valid date too, with
  // `ok` (when given) set to false.
  static Date Parse(std::string_view text, std::string_view picture, int epoch, bool* ok = nullptr);

  friend constexpr bool operator==(Date a, Date b) { return a.jd_ == b.jd_; }
  friend constexpr auto operator<=>(Date a, Date b) { return a.jd_ <=> b.jd_; }

 private:
  std::int32_t jd_ = 0;
};

}  // namespace kt
