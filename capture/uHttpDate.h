// Dates in HTTP headers, read from the header's text: a server's date is whatever it sends.
#pragma once
#include <windows.h>

#include <optional>
#include <string>

namespace vt {

// The three forms HTTP allows: "Sun, 06 Nov 1994 08:49:37 GMT", "Sunday, 06-Nov-94 08:49:37 GMT"
// and "Sun Nov  6 08:49:37 1994", names of days and months in any case. The time (UTC) when
// `text` is one of them and names a real moment; anything else is no date.
std::optional<SYSTEMTIME> ParseHttpDate(const std::string& text);

}  // namespace vt
