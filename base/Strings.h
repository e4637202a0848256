// Text helpers: single-byte (code page) text is std::string, wide text std::wstring.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>

namespace vt {

std::wstring ToWide(const std::string& s, UINT codePage = CP_ACP);
std::string ToAnsi(const std::wstring& s, UINT codePage = CP_ACP);
std::string ToUtf8(const std::wstring& s);
std::wstring FromUtf8(const std::string& s);
// The characters of `s` (code points, each once, in order of appearance) that the ANSI code page
// cannot hold as themselves: ToAnsi would put a look-alike or a "?" in their place.
std::vector<uint32_t> CharsOutsideAnsi(const std::wstring& s);

std::string Trim(const std::string& s);
std::string ToLowerAscii(std::string s);
bool SameTextAscii(const std::string& a, const std::string& b);  // case-blind for ASCII letters

// The pieces of `text` cut at `delimiter`, empty ones included; none for "".
std::vector<std::string> SplitStr(char delimiter, const std::string& text);
// As SplitStr, but none for a text of blanks only.
std::vector<std::string> SplitTrimmedStr(char delimiter, const std::string& text);
// A comma text cut into pieces: commas and blanks separate, a piece in double quotes (a doubled
// quote standing for one) stays whole. A comma after a comma, or one that ends the text, gives
// an empty piece.
std::vector<std::string> SplitCommaText(const std::string& text);

// "{8-4-4-4-12}" in upper-case hexadecimal, as the registry writes class identifiers.
std::string GuidText(REFGUID guid);

// printf-style formatting into a std::string.
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// The string resource `id` of this module, in the language the resource loader picks.
std::wstring LoadResStringW(UINT id);
std::string LoadResString(UINT id);  // in the system's ANSI code page

// The module (DLL or EXE) that holds this code and its resources.
HMODULE ThisModule();

}  // namespace vt
