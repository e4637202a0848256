// The folder beside a site's package folder where one fetch unpacks a button-image package before
// it is accepted, the clean-up of those that fetches cut short by their process's end left, and the
// site's claim that lets one fetch at a time do either and place a package.
#pragma once
#include <windows.h>

#include <string>

#include "base/Handles.h"
#include "base/TempFiles.h"

namespace vt {

// The package's settings file: it goes into the site's folder last, so that a site holds a package's
// settings only once all its files are in place.
constexpr wchar_t kPackageSettingsName[] = L"index.ini";

// How long a fetch waits for the claim of a site that another fetch holds: placing a package of a
// thousand files and putting back what a dead fetch set aside take about a second each.
constexpr DWORD kSiteClaimWaitMs = 5000;

// At most one fetch of a site at a time, in any process, cleans its staging folders up, makes its own
// and places a package; the download goes on without it. A named mutex, which the system gives up
// when its holder's process ends, however it ends.
class TSiteClaim {
public:
  // Waits up to kSiteClaimWaitMs for the claim. Throws vt::Error when no mutex can be made.
  explicit TSiteClaim(const std::string& siteFolder);
  // False when another fetch held it all that time.
  explicit operator bool() const { return static_cast<bool>(turn_); }

private:
  Handle mutex_;
  MutexTurn turn_;  // given up before the mutex is closed
};

// A fresh folder beside the site's folder, for one fetch: the zip, the folder it is unpacked into,
// and the folder where the files it replaces wait until it is in place. It goes with the object,
// with whatever became of the package. Its name carries the id of the process that fetches; the
// fetch holds a file of it open, unshared, for its whole life, as a mark that it still runs.
class TPackageStaging {
public:
  // Made under the site's claim, with its mark: a folder without one is a dead fetch's. Throws
  // vt::Error when no folder can be made there.
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
// fetch found, or holds none and that fetch had set them aside; a folder whose files cannot all go
// back stays. Called under the site's claim.
void RemoveStaleStaging(const std::string& siteFolder);

}  // namespace vt
