#include "base/Numbers.h"

#include <algorithm>

namespace vt {
namespace {

struct Scan {
  bool valid = false;
  int32_t value = 0;  // when valid
  std::optional<int32_t> clamped;  // an integer past the range: the end of the range on its side
  int32_t leading = 0;  // the digits before the first character that does not belong, sign ignored
};

// Hexadecimal may spell the full 32-bit pattern; decimal must fit the signed range. Digits past the
// range are read on, so that a number too long for it is still one number.
Scan ScanInt(const std::string& text) {
  Scan scan;
  size_t i = 0, n = text.size();
  while (i < n && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int base = 10;
  if (i < n && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  const int64_t limit = base == 16 ? 0xFFFFFFFFLL : 0x80000000LL;
  bool anyDigit = false, past = false;
  int64_t value = 0;
  for (; i < n; ++i) {
    char c = text[i];
    int digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else break;
    anyDigit = true;
    if (past || value * base + digit > limit) past = true;
    else value = value * base + digit;
  }
  if (base == 16 && !past) value = static_cast<int32_t>(static_cast<uint32_t>(value));
  scan.leading = past ? INT32_MAX : static_cast<int32_t>(std::min<int64_t>(value, INT32_MAX));
  if (i < n || !anyDigit) return scan;
  if (negative) value = -value;
  if (past || value > INT32_MAX || value < INT32_MIN) {
    scan.clamped = negative ? INT32_MIN : INT32_MAX;
    return scan;
  }
  scan.valid = true;
  scan.value = static_cast<int32_t>(value);
  return scan;
}

}  // namespace

std::optional<int32_t> TryStrToInt(const std::string& text) {
  Scan scan = ScanInt(text);
  if (!scan.valid) return std::nullopt;
  return scan.value;
}

int32_t StrToIntDef(const std::string& text, int32_t def) {
  auto v = TryStrToInt(text);
  return v ? *v : def;
}

int32_t StrToIntLenient(const std::string& text) {
  Scan scan = ScanInt(text);
  if (scan.valid) return scan.value;
  return scan.clamped.value_or(scan.leading);
}

}  // namespace vt
