// Web routines: URLs, downloads over HTTP and the local host's address.
#pragma once
#include <windows.h>
#include <wininet.h>
#include <cstdint>
#include <optional>
#include <string>

#include "base/Handles.h"
#include "base/LibraryHandles.h"
#include "capture/uHttpGet.h"

namespace vt {

struct UrlParts {
  std::string scheme, host, path;
  uint16_t port = 0;
};
// None when the URL names a port outside 1 to 65535.
std::optional<UrlParts> SplitURL(const std::string& url);

int32_t GetHttpStatusCode(HINTERNET request);
// True when the whole body of a 200 answer is in the file (HttpGet; `limits` gives the most that
// the caller's use may need). The status of the last answer is written once an answer came; on
// false there is no file of that name.
bool DownloadURLToFile(const std::string& url, const std::string& fileName, int32_t& status, const THttpLimits& limits);

std::string GetLocalIP();

}  // namespace vt
