// The folder beside a site's package folder where one fetch unpacks a button-image package before
// it is accepted, and the clean-up of those that fetches cut short by their process's end left.
#pragma once
#include <string>

#include "base/Handles.h"
#include "base/TempFiles.h"

namespace vt {

// The package's settings file: it goes into the site's folder last, so that a site holds a package's
// settings only once all its files are in place.
constexpr wchar_t kPackageSettingsName[] = L"index.ini";

// A fresh folder beside the site's folder, for one fetch: the zip, the folder it is unpacked into,
// and the folder where the files it replaces wait until it is in place. It goes with the object,
// with whatever became of the package. Its name carries the id of the process that fetches; the
// fetch holds a file of it open, unshared, for its whole life, as a mark that it still runs.
class TPackageStaging {
public:
  // Throws vt::Error when no folder can be made there.
  explicit TPackageStaging(const std::string& siteFolder);
  TPackageStaging(const TPackageStaging&) = delete;
  TPackageStaging& operator=(const TPackageStaging&) = delete;

  // Notes in the mark the site's settings file as it stands, before anything of the package goes
  // in: the files it sets aside are put back only into the site it found. Throws vt::Error.
  void RecordSiteSettings();

  std::string zip, folder, aside;

private:
  std::string siteFolder_;
  TempFolder root_;
  FileHandle mark_;  // closed before the folder goes
};

// Removes the staging folders of `siteFolder` left by fetches that have ended (a browser killed
// while it fetched), whichever process now has their id: those of fetches still running, and other
// sites', stay. A fetch killed while it placed its package, before the settings file went in, had
// set earlier files aside: they go back to the site first while it still holds the settings that
// fetch found, and a folder whose files cannot all go back stays.
void RemoveStaleStaging(const std::string& siteFolder);

}  // namespace vt
