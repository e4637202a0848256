#include "base/Strings.h"

#include <objbase.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <utility>

namespace vt {

std::wstring ToWide(const std::string& s, UINT codePage) {
  if (s.empty()) return {};
  int n = ::MultiByteToWideChar(codePage, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring out(n, L'\0');
  ::MultiByteToWideChar(codePage, 0, s.data(), static_cast<int>(s.size()), out.data(), n);
  return out;
}

std::string ToAnsi(const std::wstring& s, UINT codePage) {
  if (s.empty()) return {};
  int n = ::WideCharToMultiByte(codePage, 0, s.data(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
  std::string out(n, '\0');
  ::WideCharToMultiByte(codePage, 0, s.data(), static_cast<int>(s.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::string ToUtf8(const std::wstring& s) { return ToAnsi(s, CP_UTF8); }

std::wstring FromUtf8(const std::string& s) { return ToWide(s, CP_UTF8); }

std::vector<uint32_t> CharsOutsideAnsi(const std::wstring& s) {
  std::vector<uint32_t> outside;
  for (size_t i = 0; i < s.size();) {
    const bool pair = IS_HIGH_SURROGATE(s[i]) && i + 1 < s.size() && IS_LOW_SURROGATE(s[i + 1]);
    const std::wstring piece = s.substr(i, pair ? 2 : 1);
    i += piece.size();
    if (ToWide(ToAnsi(piece)) == piece) continue;
    const uint32_t code = pair ? 0x10000 + ((piece[0] - 0xD800u) << 10) + (piece[1] - 0xDC00u) : piece[0];
    if (std::find(outside.begin(), outside.end(), code) == outside.end()) outside.push_back(code);
  }
  return outside;
}

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

std::string ToLowerAscii(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

bool SameTextAscii(const std::string& a, const std::string& b) { return ToLowerAscii(a) == ToLowerAscii(b); }

std::vector<std::string> SplitStr(char delimiter, const std::string& text) {
  std::vector<std::string> pieces;
  if (text.empty()) return pieces;
  size_t start = 0;
  for (size_t at; (at = text.find(delimiter, start)) != std::string::npos; start = at + 1)
    pieces.push_back(text.substr(start, at - start));
  pieces.push_back(text.substr(start));
  return pieces;
}

std::vector<std::string> SplitTrimmedStr(char delimiter, const std::string& text) {
  return Trim(text).empty() ? std::vector<std::string>() : SplitStr(delimiter, text);
}


std::vector<std::string> SplitCommaText(const std::string& text) {
  const size_t n = text.size();
  auto isBlank = [&](size_t i) { return i < n && static_cast<unsigned char>(text[i]) <= ' '; };
  std::vector<std::string> pieces;
  size_t i = 0;
  while (isBlank(i)) ++i;
  while (i < n) {
    std::string piece;
    if (text[i] == '"') {
      for (++i; i < n; ++i) {
        if (text[i] != '"') piece += text[i];
        else if (i + 1 < n && text[i + 1] == '"') piece += text[++i];
        else { ++i; break; }
      }
    } else {
      size_t start = i;
      while (i < n && !isBlank(i) && text[i] != ',') ++i;
      piece = text.substr(start, i - start);
    }
    pieces.push_back(piece);
    while (isBlank(i)) ++i;
    if (i < n && text[i] == ',') {
      if (i + 1 == n) pieces.emplace_back();
      for (++i; isBlank(i);) ++i;
    }
  }
  return pieces;
}

std::string GuidText(REFGUID guid) {
  wchar_t text[40] = {};
  ::StringFromGUID2(guid, text, 40);
  return ToAnsi(text);
}

std::string Format(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  va_list copy;
  va_copy(copy, args);
  int n = std::vsnprintf(nullptr, 0, fmt, copy);
  va_end(copy);
  std::string out(n > 0 ? n : 0, '\0');
  if (n > 0) std::vsnprintf(out.data(), n + 1, fmt, args);
  va_end(args);
  return out;
}

HMODULE ThisModule() {
  HMODULE module = nullptr;
  ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &module);
  return module;
}

std::wstring LoadResStringW(UINT id) {
  const wchar_t* text = nullptr;
  // With a zero buffer size LoadStringW hands out a pointer into the resource itself.
  int n = ::LoadStringW(ThisModule(), id, reinterpret_cast<LPWSTR>(&text), 0);
  return n > 0 && text ? std::wstring(text, n) : std::wstring();
}

std::string LoadResString(UINT id) { return ToAnsi(LoadResStringW(id)); }

}  // namespace vt
