// The file version of a module, for GetVtnVersion.
#pragma once
#include <windows.h>

#include <string>

namespace vt {

// The full path of a loaded module (the DLL itself, not the hosting program).
std::string ModulePath(HMODULE module);
// "a.b.c.d" from the fixed file information of the file's version resource; "0.0.0.0" when the
// file or its version resource cannot be read. Read anew on every call.
std::string FileVersionText(const std::string& path);

}  // namespace vt
