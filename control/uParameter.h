// Cutting the parameter string of a request into switches and values.
//
// A parameter string is single-byte text such as /scr/po:2/ff:'http://host/form.xml'|John/log:
// items between slashes; a flag is a bare name, a valued switch is name:value|value|...
// Quoted stretches (single or double quotes) are never cut, which is why a URL is written in
// single quotes. Text is stepped in `codePage`, so the trail byte of a double-byte character is
// never taken for a separator or a quote; the control always uses the system's ANSI code page
// (CP_ACP), other code pages are for checking text of other systems.
#pragma once
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vt {

class ILogSink;

// The non-empty items of `text` cut at `separator`, CR and LF, blanks, CR and LF skipped at
// the start of each item, quote characters kept.
std::vector<std::string> SplitItems(const std::string& text, char separator, UINT codePage = CP_ACP);

// True when the flag `name` (with its slash, e.g. "/scr") is a bare item of `params`.
bool HasSwitch(const std::string& params, const std::string& name, UINT codePage = CP_ACP);

// Index of the first item whose key (the text before its first ':') equals `name` without
// its slash, ignoring case in the user's locale; -1 when none.
int IndexOfSwitch(const std::vector<std::string>& items, const std::string& name, UINT codePage = CP_ACP);

// Value `index` (0-based) of the valued switch `name`; "0" when that position is missing, none
// when the switch is absent. A value holding a single quote loses its first and last characters.
// Only the first item of a switch counts.
std::optional<std::string> GetSwitchValues(const std::string& params, const std::string& name, int index,
                                           UINT codePage = CP_ACP);

// A page's value as an error text quotes it: its first kMaxQuotedChars characters, and "..." when
// it is longer, so that a huge value does not fill the error text and the request log.
constexpr size_t kMaxQuotedChars = 64;
std::string QuotedValue(const std::string& value, UINT codePage = CP_ACP);

// The page-break positions of a manual list "100,200" continued every `step` pixels up to the
// first position at or beyond `height`; each added position is logged under "Test::".
// Raises a ConversionError for an entry that is not an integer and vt::Error for an empty list.
std::vector<int32_t> ParsePageBreakList(const std::string& text, int32_t step, int32_t height, ILogSink& log);

}  // namespace vt
