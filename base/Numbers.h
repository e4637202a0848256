// Reading integers from text the way the control's inputs are written.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace vt {

// Strict: optional blanks, optional sign, then decimal digits, or hexadecimal
// after "$" or "0x"; nothing may follow. Out-of-range values fail.
std::optional<int32_t> TryStrToInt(const std::string& text);
// Strict, with a default for anything that does not convert.
int32_t StrToIntDef(const std::string& text, int32_t def);

}  // namespace vt
