#include "capture/uHttpDate.h"

#include <cstring>

#include "base/Strings.h"

namespace vt {
namespace {

const char* const kDays[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
const char* const kLongDays[] = {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};
const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Reads a date from left to right; once a step has failed, every later one fails too.
class TDateReader {
public:
  explicit TDateReader(const std::string& text) : text_(text) {}

  TDateReader& Text(const char* literal) {
    size_t n = std::strlen(literal);
    ok_ = ok_ && text_.size() - pos_ >= n && SameTextAscii(text_.substr(pos_, n), literal);
    if (ok_) pos_ += n;
    return *this;
  }
  template <size_t N>
  TDateReader& Name(const char* const (&names)[N], int& index) {
    for (index = 0; ok_ && index < static_cast<int>(N); ++index) {
      TDateReader attempt = *this;
      if (attempt.Text(names[index]).ok_) {
        pos_ = attempt.pos_;
        ++index;  // counted from 1, as months are
        return *this;
      }
    }
    ok_ = false;
    return *this;
  }
  TDateReader& Digits(int count, int& value) {
    value = 0;
    for (int i = 0; i < count && ok_; ++i) {
      ok_ = pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9';
      if (ok_) value = value * 10 + (text_[pos_++] - '0');
    }
    return *this;
  }
  // asctime's day of the month: two digits, or a blank and one digit.
  TDateReader& PaddedDay(int& value) {
    if (ok_ && pos_ < text_.size() && text_[pos_] == ' ') return Text(" ").Digits(1, value);
    return Digits(2, value);
  }
  TDateReader& Time(int& hour, int& minute, int& second) {
    return Digits(2, hour).Text(":").Digits(2, minute).Text(":").Digits(2, second);
  }
  bool Done() const { return ok_ && pos_ == text_.size(); }

private:
  const std::string& text_;
  size_t pos_ = 0;
  bool ok_ = true;
};

int DaysInMonth(int year, int month) {
  static const int kDaysIn[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDaysIn[month - 1];
}

// A two-digit year more than 50 years ahead is the last past year with those digits.
int FullYear(int twoDigits) {
  SYSTEMTIME now;
  ::GetSystemTime(&now);
  int year = now.wYear / 100 * 100 + twoDigits;
  return year > now.wYear + 50 ? year - 100 : year;
}

}  // namespace

std::optional<SYSTEMTIME> ParseHttpDate(const std::string& text) {
  const std::string value = Trim(text);
  int weekday = 0, day = 0, month = 0, year = 0, hour = 0, minute = 0, second = 0;
  bool read = TDateReader(value)
                  .Name(kDays, weekday).Text(", ").Digits(2, day).Text(" ").Name(kMonths, month).Text(" ")
                  .Digits(4, year).Text(" ").Time(hour, minute, second).Text(" GMT")
                  .Done();
  if (!read) {
    read = TDateReader(value)
               .Name(kLongDays, weekday).Text(", ").Digits(2, day).Text("-").Name(kMonths, month).Text("-")
               .Digits(2, year).Text(" ").Time(hour, minute, second).Text(" GMT")
               .Done();
    if (read) year = FullYear(year);
  }
  if (!read) {
    read = TDateReader(value)
               .Name(kDays, weekday).Text(" ").Name(kMonths, month).Text(" ").PaddedDay(day).Text(" ")
               .Time(hour, minute, second).Text(" ").Digits(4, year)
               .Done();
  }
  // The first year a FILETIME holds; a leap second has no FILETIME either.
  if (!read || year < 1601 || day < 1 || day > DaysInMonth(year, month) || hour > 23 || minute > 59 || second > 59)
    return std::nullopt;
  SYSTEMTIME result{};
  result.wYear = static_cast<WORD>(year);
  result.wMonth = static_cast<WORD>(month);
  result.wDay = static_cast<WORD>(day);
  result.wHour = static_cast<WORD>(hour);
  result.wMinute = static_cast<WORD>(minute);
  result.wSecond = static_cast<WORD>(second);
  return result;
}

}  // namespace vt
