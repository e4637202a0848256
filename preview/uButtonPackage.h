// The button-image package: a zip of skin images and "index.ini" that a page names by URL, kept
// per site in a cache folder and fetched again when the server's Last-Modified time changes.
#pragma once
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "base/LogSink.h"
#include "capture/uHttpGet.h"

namespace vt {

// The package comes from any web site: what it may unpack is bounded.
struct TUnzipLimits {
  uint64_t maxEntries = 1000;
  uint64_t maxBytes = 64ull * 1024 * 1024;  // all entries together, uncompressed
};
// The zip as downloaded: a zip of stored entries is hardly larger than what it holds.
constexpr uint64_t kMaxPackageBytes = 64ull * 1024 * 1024;

// The HTTP Last-Modified time of the URL in local time; none when the URL cannot be opened, does
// not answer 200, or has no such header or one that is no HTTP date.
std::optional<SYSTEMTIME> GetURLLastModified(const std::string& url, const THttpLimits& limits = {});
// "yyyy-mm-dd hh:nn:ss", the colons being the system's time separator.
std::string FileDateText(const SYSTEMTIME& time);

// The package's file name, as logged: the URL's text after its last "/", cut to a file name. A
// URL whose name is empty or names a device (base/FileNames.h) fetches nothing.
std::string PackageFileName(const std::string& url);

// Extracts every entry of the zip into `folder`, replacing files of the same names; nothing
// happens when the zip does not exist. Throws vt::Error for a zip that cannot be read, an entry
// that would not stay in the folder (StaysInFolder), or a package beyond `limits`; names and
// declared sizes are checked before anything is written.
void UnzipPackage(const std::string& zipPath, const std::string& folder, const TUnzipLimits& limits = {});

// What a fetch of the package gave: whether a usable package is in the site's folder, and its
// settings file, named as soon as the zip's file name is known, also when none is usable.
struct TPackageFetch {
  bool usable = false;
  std::string iniPath;
};

// The button-image package of `url` in the cache folder of `domain`; the pages without a domain
// share one folder of their own. A package goes into the folder whole or not at all: a refused one
// leaves the folder as it was, with the earlier package or with nothing.
TPackageFetch ImgBtnDownProc(ILogSink& log, const std::string& domain, const std::string& url);

}  // namespace vt
