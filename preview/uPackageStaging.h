// The folder beside a site's package folder where one fetch unpacks a button-image package before
// it is accepted, and the clean-up of those that fetches cut short by their process's end left.
#pragma once
#include <string>

#include "base/TempFiles.h"

namespace vt {

// The package's settings file: it goes into the site's folder last, so that a site holds a package's
// settings only once all its files are in place.
constexpr wchar_t kPackageSettingsName[] = L"index.ini";

// A fresh folder beside the site's folder, for one fetch: the zip, the folder it is unpacked into,
// and the folder where the files it replaces wait until it is in place. It goes with the object,
// with whatever became of the package. Its name carries the id of the process that fetches.
class TPackageStaging {
public:
  // Throws vt::Error when no folder can be made there.
  explicit TPackageStaging(const std::string& siteFolder);
  TPackageStaging(const TPackageStaging&) = delete;
  TPackageStaging& operator=(const TPackageStaging&) = delete;

  std::string zip, folder, aside;

private:
  TempFolder root_;
};

// Removes the staging folders of `siteFolder` whose process no longer runs (a browser killed while
// it fetched): those of running processes, this one's among them, and other sites' stay. A fetch
// killed while it placed its package, before the settings file went in, had set earlier files
// aside: they go back to the site first, and a folder whose files cannot all go back stays.
void RemoveStaleStaging(const std::string& siteFolder);

}  // namespace vt
