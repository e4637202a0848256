#include "page/uTileFile.h"

#include <windows.h>

namespace vt {

// A file still open elsewhere (a reader outside these classes) stays; nothing else can be done.
TTempTileFile::~TTempTileFile() { ::DeleteFileA(path_.c_str()); }

}  // namespace vt
