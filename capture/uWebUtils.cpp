#include "capture/uWebUtils.h"

#include <winsock.h>

#include <cstring>

#include "base/Numbers.h"
#include "base/Strings.h"

namespace vt {

std::optional<UrlParts> SplitURL(const std::string& url) {
  UrlParts parts;
  auto& [scheme, host, path, port] = parts;
  std::string rest = url;
  size_t sep = url.find("://");
  if (sep != std::string::npos) {
    scheme = url.substr(0, sep);
    rest = url.substr(sep + 3);
  } else {
    scheme = "http";
  }
  size_t slash = rest.find('/');
  std::string hostPart = slash == std::string::npos ? rest : rest.substr(0, slash);
  if (slash != std::string::npos) path = rest.substr(slash + 1);
  size_t colon = hostPart.find(':');
  if (colon != std::string::npos) {
    host = hostPart.substr(0, colon);
    std::string text = hostPart.substr(colon + 1);
    auto number = TryStrToInt(text);
    // A number, even one too long for any integer, is a port and must be one: no wrapping round
    // to another port. Only a text that is no number at all stands for the default.
    bool digits = !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
    if (number ? *number < 1 || *number > 65535 : digits) return std::nullopt;
    port = number ? static_cast<uint16_t>(*number) : 80;
  } else {
    host = hostPart;
    if (SameTextAscii(scheme, "https")) port = 443;
    else if (SameTextAscii(scheme, "http")) port = 80;
  }
  return parts;
}

int32_t GetHttpStatusCode(HINTERNET request) {
  DWORD status = 0, size = sizeof(status), index = 0;
  if (!::HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, &index)) return -1;
  return static_cast<int32_t>(status);
}

THttpResult DownloadURLToFile(const std::string& url, const std::string& fileName, const THttpLimits& limits) {
  return HttpGet(url, fileName, limits);
}

std::string GetLocalIP() {
  WSADATA data;
  if (::WSAStartup(0x0101, &data) != 0) return {};
  std::string result;
  char name[64] = {};
  if (::gethostname(name, sizeof(name)) == 0) {
    if (hostent* host = ::gethostbyname(name)) {
      for (char** entry = host->h_addr_list; entry && *entry; ++entry) {
        in_addr address;
        std::memcpy(&address, *entry, sizeof(address));
        if (!result.empty()) result += ".";
        result += ::inet_ntoa(address);
      }
    }
  }
  ::WSACleanup();
  return result;
}

}  // namespace vt
