// Names of files and folders that come from outside (a page, its server, a package), checked the
// way the platform resolves them before one is used.
#pragma once
#include <string>

namespace vt {

// True when some part of `path` (either slash separates) is one the platform opens as a device in
// any folder: cut at its first dot or colon and without the blanks and dots that end it, CON, PRN,
// AUX, NUL, CONIN$, CONOUT$, or COM or LPT with one digit (0-9, or a superscript 1, 2 or 3), in
// any letter case. "NUL .ico", "lpt1.txt.", "con.tar.gz" and "aux:stream" all are.
bool NamesDevice(const std::wstring& path);
bool NamesDevice(const std::string& path);  // in the system's code page

// A path that stays inside the folder it is taken relative to: no drive, no root, no "..", no
// stream, no part the file system would cut short (trailing blanks or dots) or open as a device,
// no character a file name cannot hold. Either slash separates; a closing one names a folder.
bool StaysInFolder(const std::wstring& path);
// One file or folder name that stays in its folder: no slash at all.
bool IsPlainName(const std::wstring& name);

// `path` with its last part as the file system spells it (the long name, in its own letter case),
// where the path names it by its short name or in other letters; as given when nothing is there.
std::wstring SpeltOnDisk(const std::wstring& path);

}  // namespace vt
