// Names the platform opens as devices, in the spellings it accepts, and names close to them that
// are plain files: every file name that comes from a page is checked against both.
#pragma once
#include <string>
#include <vector>

namespace vt::test {

inline const std::vector<std::wstring> kDeviceNames = {
    L"CON", L"con", L"Con.txt", L"NUL .ico", L"CON .bmp", L"AUX .ini", L"prn.", L"nul..", L"NuL . .ico",
    L"lpt1.txt.", L"con.tar.gz", L"COM1", L"com9.bmp", L"COM0", L"LPT0.jpg", L"COM\x00B9", L"lpt\x00B2.bmp",
    L"LPT\x00B3", L"CONIN$", L"conout$ .txt", L"aux:stream", L"nul:.txt", L"CON  ", L"cOnOuT$"};

inline const std::vector<std::wstring> kPlainNamesNearDevices = {
    L"COM10.bmp", L"console.bmp", L"nul_x.bmp", L"x.con", L"con-1.jpg", L"LPT.bmp",
    L"COMA.bmp",  L" con.bmp",    L"conin.bmp", L"a.nul.bmp", L"CON$.bmp"};

// A device name as the last part of a path, in a sub-folder by either slash, and as a folder.
inline std::vector<std::wstring> DeviceNameForms(const std::wstring& device) {
  return {device, L"images/" + device, L"images\\" + device, device + L"/x.bmp"};
}

}  // namespace vt::test
