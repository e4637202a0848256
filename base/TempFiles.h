// The temporary folder of this process and new files in it.
#pragma once
#include <windows.h>
#include <string>

namespace vt {

HRESULT GetKnownFolderPath(REFGUID folderId, DWORD flags, HANDLE token, PWSTR* path);
std::string GetLocalAppDataLowPath();
// The low-integrity "Temp" folder at low integrity (the only one such a process may write),
// the user's temporary folder otherwise.
std::string GetTempFolder();
// A new empty file of a unique name in `folder` (the temporary folder when empty, the current
// one for "."); empty when none could be made there.
std::string GetTempFile(const std::string& folder, const std::string& prefix);
// A new unique name with prefix "TMP" and `extension`, no file left under it; empty when none
// could be made. It lies in the platform's temporary folder even at low integrity, as the help
// page has always had it: the name is only asked which program opens it.
std::string CreateTempFileName(const std::string& extension);

}  // namespace vt
