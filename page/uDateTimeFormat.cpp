#include "page/uDateTimeFormat.h"

#include <cmath>
#include <cstdint>

namespace vt {
namespace {

constexpr int64_t kMsPerDay = 86400000;

// Days from 1 January 1970 of a proleptic Gregorian date, and back.
int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  int64_t era = (y >= 0 ? y : y - 399) / 400;
  int64_t yoe = y - era * 400;
  int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int64_t& y, int& m, int& d) {
  z += 719468;
  int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  int64_t doe = z - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = yoe + era * 400 + (m <= 2);
}

const int64_t kEpochDays = DaysFromCivil(1899, 12, 30);

std::wstring LocaleText(LCTYPE type) {
  wchar_t buffer[128];
  int n = ::GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buffer, 128);
  return n > 1 ? std::wstring(buffer, n - 1) : std::wstring();
}

std::wstring SystemDate(const SYSTEMTIME& st, DWORD flags) {
  wchar_t buffer[256];
  int n = ::GetDateFormatW(LOCALE_USER_DEFAULT, flags, &st, nullptr, buffer, 256);
  return n > 1 ? std::wstring(buffer, n - 1) : std::wstring();
}

std::wstring SystemTime(const SYSTEMTIME& st, DWORD flags) {
  wchar_t buffer[256];
  int n = ::GetTimeFormatW(LOCALE_USER_DEFAULT, flags, &st, nullptr, buffer, 256);
  return n > 1 ? std::wstring(buffer, n - 1) : std::wstring();
}

std::wstring Number(int value, int digits) {
  std::wstring text = std::to_wstring(value);
  if (static_cast<int>(text.size()) < digits) text.insert(0, digits - text.size(), L'0');
  return text;
}

wchar_t Upper(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - 32) : c; }

bool StartsWithNoCase(const std::wstring& text, size_t at, const wchar_t* word) {
  for (size_t i = 0; word[i]; ++i)
    if (at + i >= text.size() || Upper(text[at + i]) != Upper(word[i])) return false;
  return true;
}

class Formatter {
public:
  Formatter(const std::wstring& pattern, TDateTime value) : p_(pattern), t_(DateTimeToSystemTime(value)) {}

  std::wstring Run() {
    if (p_.empty()) p_ = L"c";
    while (i_ < p_.size()) Step();
    return out_;
  }

private:
  // Length of the run of the current letter (either case) starting at i_; consumes it.
  int Run(wchar_t letter) {
    size_t start = i_;
    while (i_ < p_.size() && Upper(p_[i_]) == letter) ++i_;
    return static_cast<int>(i_ - start);
  }

  // Whether the hour at i_ is on the 12-hour clock: an am/pm pattern comes before the next
  // hour pattern (quoted text does not count).
  bool TwelveHourAhead() const {
    wchar_t quote = 0;
    for (size_t j = i_; j < p_.size(); ++j) {
      wchar_t c = p_[j];
      if (quote) {
        if (c == quote) quote = 0;
      } else if (c == L'\'' || c == L'"') {
        quote = c;
      } else if (Upper(c) == L'H') {
        return false;
      } else if (Upper(c) == L'A') {
        return StartsWithNoCase(p_, j, L"am/pm") || StartsWithNoCase(p_, j, L"a/p") ||
               StartsWithNoCase(p_, j, L"ampm");
      }
    }
    return false;
  }

  void Step() {
    wchar_t c = p_[i_];
    wchar_t token = Upper(c);
    if (token >= L'A' && token <= L'Z') {
      if (token == L'M' && last_ == L'H') token = L'N';
      last_ = token;
    }
    bool afterHour = token == L'N' && Upper(c) == L'M';
    switch (token) {
      case L'C': {
        Run(L'C');
        out_ += SystemDate(t_, DATE_SHORTDATE);
        if (t_.wHour || t_.wMinute || t_.wSecond) out_ += L" " + SystemTime(t_, 0);
        break;
      }
      case L'D': {
        int n = Run(L'D');
        int weekday = (t_.wDayOfWeek + 6) % 7;  // the locale's day names run from Monday
        if (n <= 2) out_ += Number(t_.wDay, n);
        else if (n == 3) out_ += LocaleText(LOCALE_SABBREVDAYNAME1 + weekday);
        else if (n == 4) out_ += LocaleText(LOCALE_SDAYNAME1 + weekday);
        else if (n == 5) out_ += SystemDate(t_, DATE_SHORTDATE);
        else out_ += SystemDate(t_, DATE_LONGDATE);
        break;
      }
      case L'M': {
        int n = Run(L'M');
        if (n <= 2) out_ += Number(t_.wMonth, n);
        else if (t_.wMonth < 1) break;
        else if (n == 3) out_ += LocaleText(LOCALE_SABBREVMONTHNAME1 + t_.wMonth - 1);
        else out_ += LocaleText(LOCALE_SMONTHNAME1 + t_.wMonth - 1);
        break;
      }
      case L'Y': {
        int n = Run(L'Y');
        out_ += n <= 2 ? Number(t_.wYear % 100, 2) : Number(t_.wYear, 4);
        break;
      }
      case L'H': {
        int n = Run(L'H');
        int hour = t_.wHour;
        if (TwelveHourAhead()) hour = hour % 12 == 0 ? 12 : hour % 12;
        out_ += Number(hour, n == 1 ? 1 : 2);
        break;
      }
      case L'N': {
        int n = Run(afterHour ? L'M' : L'N');
        out_ += Number(t_.wMinute, n == 1 ? 1 : 2);
        break;
      }
      case L'S': {
        int n = Run(L'S');
        out_ += Number(t_.wSecond, n == 1 ? 1 : 2);
        break;
      }
      case L'Z': {
        int n = Run(L'Z');
        out_ += Number(t_.wMilliseconds, n < 3 ? 1 : 3);
        break;
      }
      case L'T': {
        int n = Run(L'T');
        out_ += SystemTime(t_, n == 1 ? TIME_NOSECONDS : 0);
        break;
      }
      case L'A':
        Marker();
        break;
      case L'/':
        out_ += LocaleText(LOCALE_SDATE);
        ++i_;
        break;
      case L':':
        out_ += LocaleText(LOCALE_STIME);
        ++i_;
        break;
      case L'\'':
      case L'"': {
        size_t end = p_.find(c, i_ + 1);
        if (end == std::wstring::npos) end = p_.size();
        out_.append(p_, i_ + 1, end - i_ - 1);
        i_ = end < p_.size() ? end + 1 : end;
        break;
      }
      default:
        out_ += c;
        ++i_;
    }
  }

  // am/pm and a/p copy the marker's own letters; ampm is the locale's text.
  void Marker() {
    bool pm = t_.wHour >= 12;
    if (StartsWithNoCase(p_, i_, L"am/pm")) {
      out_.append(p_, i_ + (pm ? 3 : 0), 2);
      i_ += 5;
    } else if (StartsWithNoCase(p_, i_, L"a/p")) {
      out_ += p_[i_ + (pm ? 2 : 0)];
      i_ += 3;
    } else if (StartsWithNoCase(p_, i_, L"ampm")) {
      out_ += LocaleText(pm ? LOCALE_S2359 : LOCALE_S1159);
      i_ += 4;
    } else {
      out_ += p_[i_++];
    }
  }

  std::wstring p_;
  SYSTEMTIME t_;
  size_t i_ = 0;
  wchar_t last_ = 0;
  std::wstring out_;
};

}  // namespace

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int ms) {
  double days = static_cast<double>(DaysFromCivil(year, month, day) - kEpochDays);
  double time = (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + ms) / kMsPerDay;
  return days >= 0 ? days + time : days - time;
}

TDateTime SystemTimeToDateTime(const SYSTEMTIME& st) {
  return EncodeDateTime(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
}

SYSTEMTIME DateTimeToSystemTime(TDateTime value) {
  SYSTEMTIME st{};
  // Only 1 January 0001 to 31 December 9999.
  if (!std::isfinite(value) || value < -693593.0 || value >= 2958466.0) return st;
  // The whole part counts days; the fraction's size is the time of day, also before 1899.
  double whole = std::trunc(value);
  auto days = static_cast<int64_t>(whole);
  auto ms = static_cast<int64_t>(std::llround(std::fabs(value - whole) * kMsPerDay));
  if (ms >= kMsPerDay) ms = kMsPerDay - 1;
  int64_t year = 0;
  int month = 0, day = 0;
  CivilFromDays(days + kEpochDays, year, month, day);
  st.wYear = static_cast<WORD>(year);
  st.wMonth = static_cast<WORD>(month);
  st.wDay = static_cast<WORD>(day);
  st.wDayOfWeek = static_cast<WORD>(((days % 7) + 7 + 6) % 7);  // day 0 was a Saturday
  st.wHour = static_cast<WORD>(ms / 3600000);
  st.wMinute = static_cast<WORD>(ms / 60000 % 60);
  st.wSecond = static_cast<WORD>(ms / 1000 % 60);
  st.wMilliseconds = static_cast<WORD>(ms % 1000);
  return st;
}

TDateTime NowDateTime() {
  SYSTEMTIME st{};
  ::GetLocalTime(&st);
  return SystemTimeToDateTime(st);
}

std::wstring FormatDateTime(const std::wstring& pattern, TDateTime value) {
  return Formatter(pattern, value).Run();
}

}  // namespace vt
