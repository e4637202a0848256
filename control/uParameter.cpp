#include "control/uParameter.h"

#include "base/Errors.h"
#include "base/LogSink.h"
#include "base/Numbers.h"
#include "base/Strings.h"

namespace vt {
namespace {

// A continuation longer than this is a mistake of the page (a step of a few pixels over a long
// height), not a print job; refusing it keeps the request from filling memory and the log.
constexpr size_t kMaxPageBreaks = 10000;

// Bytes of the character at `i`: two for a lead byte with its trail byte before `end`.
size_t CharSize(const std::string& text, size_t i, size_t end, UINT codePage) {
  return i + 1 < end && ::IsDBCSLeadByteEx(codePage, static_cast<BYTE>(text[i])) ? 2 : 1;
}

size_t FindChar(const std::string& text, char c, UINT codePage) {
  for (size_t i = 0; i < text.size(); i += CharSize(text, i, text.size(), codePage))
    if (text[i] == c) return i;
  return std::string::npos;
}

std::string WithoutFirstAndLastChar(const std::string& text, UINT codePage) {
  if (text.empty()) return text;
  size_t first = CharSize(text, 0, text.size(), codePage);
  size_t last = 0;
  for (size_t i = 0; i < text.size(); i += CharSize(text, i, text.size(), codePage)) last = i;
  return last > first ? text.substr(first, last - first) : std::string();
}

}  // namespace

std::vector<std::string> SplitItems(const std::string& text, char separator, UINT codePage) {
  std::vector<std::string> items;
  const size_t end = text.size();
  size_t i = 0;
  while (i < end) {
    while (i < end && (text[i] == ' ' || text[i] == '\r' || text[i] == '\n')) ++i;
    const size_t start = i;
    char quote = 0;
    for (; i < end; i += CharSize(text, i, end, codePage)) {
      const char c = text[i];
      if (quote) {
        if (c == quote) quote = 0;
      } else if (c == '\'' || c == '"') {
        quote = c;
      } else if (c == separator || c == '\r' || c == '\n') {
        break;
      }
    }
    if (i > start) items.push_back(text.substr(start, i - start));
    ++i;  // the separator
  }
  return items;
}

bool HasSwitch(const std::string& params, const std::string& name, UINT codePage) {
  const std::string wanted = Trim(name);
  for (const std::string& item : SplitItems(params, '/', codePage))
    if (SameTextAscii("/" + Trim(item), wanted)) return true;
  return false;
}

int IndexOfSwitch(const std::vector<std::string>& items, const std::string& name, UINT codePage) {
  const std::string key = name.empty() ? name : name.substr(1);
  for (size_t k = 0; k < items.size(); ++k) {
    size_t colon = FindChar(items[k], ':', codePage);
    if (colon == std::string::npos) continue;  // a flag has no key
    if (::CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, items[k].data(), static_cast<int>(colon), key.data(),
                         static_cast<int>(key.size())) == CSTR_EQUAL)
      return static_cast<int>(k);
  }
  return -1;
}

std::optional<std::string> GetSwitchValues(const std::string& params, const std::string& name, int index,
                                           UINT codePage) {
  const std::vector<std::string> items = SplitItems(params, '/', codePage);
  const int k = IndexOfSwitch(items, name, codePage);
  if (k < 0) return std::nullopt;
  const std::string& item = items[k];
  if (name.size() > item.size()) return "0";
  const std::vector<std::string> parts = SplitItems(Trim(item.substr(name.size())), '|', codePage);
  if (index < 0 || static_cast<size_t>(index) >= parts.size()) return "0";
  const std::string& value = parts[index];
  // Quotes only protect slashes in the parameter string: a quoted value is given without them.
  if (FindChar(value, '\'', codePage) != std::string::npos) return WithoutFirstAndLastChar(value, codePage);
  return value;
}

std::string QuotedValue(const std::string& value, UINT codePage) {
  size_t end = 0;
  for (size_t chars = 0; end < value.size() && chars < kMaxQuotedChars; ++chars)
    end += CharSize(value, end, value.size(), codePage);
  return end < value.size() ? value.substr(0, end) + "..." : value;
}

std::vector<int32_t> ParsePageBreakList(const std::string& text, int32_t step, int32_t height, ILogSink& log) {
  const std::string quoted = QuotedValue(text);
  std::vector<int32_t> breaks;
  for (const std::string& entry : SplitCommaText(text)) {
    auto position = TryStrToInt(entry);
    if (!position)
      throw ConversionError(Format("Page-break list \"%s\": \"%s\" is not a valid integer", quoted.c_str(),
                                   QuotedValue(entry).c_str()));
    breaks.push_back(*position);
  }
  if (breaks.empty()) throw Error(Format("Page-break list \"%s\" has no entry", quoted.c_str()));

  int64_t last = breaks.back();
  int64_t rest = int64_t{height} - last;
  if (step <= 0 || rest <= 0) return breaks;
  const int64_t added = (rest + step - 1) / step;
  if (added > static_cast<int64_t>(kMaxPageBreaks) || last + added * step > INT32_MAX)
    throw Error(Format("Page-break list \"%s\" continued every %d pixels up to %d would add over %u page breaks",
                       quoted.c_str(), step, height, static_cast<unsigned>(kMaxPageBreaks)));
  do {
    breaks.push_back(static_cast<int32_t>(last + step));
    rest -= step;
    log.WriteLog("Test::", Format("sum:%d height:%d", static_cast<int>(last), static_cast<int>(rest)));
    if (rest <= 0) rest = 0;
    last += step;
  } while (rest > 0);
  return breaks;
}

}  // namespace vt
