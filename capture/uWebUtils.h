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
// The body of the URL into the file (HttpGet with a file; `limits` gives the most that the
// caller's use may need): ok when the whole body of a 200 answer is there, otherwise there is no
// file of that name. The status of the last answer is in the answer's head once an answer came.
THttpResult DownloadURLToFile(const std::string& url, const std::string& fileName, const THttpLimits& limits);

std::string GetLocalIP();

}  // namespace vt
