// Reading integers from text the way the control's inputs are written.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "base/Errors.h"

namespace vt {

// A text that should have been an integer was not one (raised by the strict reads of callers).
class ConversionError : public Error {
public:
  using Error::Error;
};

// Strict: optional blanks, optional sign, then decimal digits, or hexadecimal
// after "$" or "0x"; nothing may follow. Out-of-range values fail.
std::optional<int32_t> TryStrToInt(const std::string& text);
// Strict, with a default for anything that does not convert.
int32_t StrToIntDef(const std::string& text, int32_t def);
// Lenient: a valid integer gives its value, and one past the 32-bit range the end of the range on
// its side; otherwise the digits read before the first character that does not belong (without
// the sign, at most INT32_MAX), 0 when there are none. Never fails.
int32_t StrToIntLenient(const std::string& text);

}  // namespace vt
