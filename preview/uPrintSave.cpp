#include "preview/uPrintSave.h"

#include <commdlg.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "base/Boundary.h"
#include "base/Errors.h"
#include "base/FileNames.h"
#include "base/Handles.h"
#include "base/MessagePump.h"
#include "base/ModalState.h"
#include "base/PrintJob.h"
#include "base/Printer.h"
#include "base/Strings.h"
#include "base/SystemInfo.h"
#include "preview/frmPrintStatus.h"
#include "resources/StringIds.h"

namespace vt {

const char* const kSaveFilter =
    "Bitmap File (*.bmp)|*.bmp;|Jpeg File (*.jpg)|*.jpg;|Portable Document Format (*.pdf)|*.pdf;";

namespace {

constexpr const char* kProductName = "Vantrelle";

// The extension of a file name with its dot, as typed; empty when the name has none.
std::string ExtensionOf(const std::string& fileName) {
  const size_t dot = fileName.rfind('.');
  const size_t folder = fileName.find_last_of("\\/:");
  if (dot == std::string::npos || (folder != std::string::npos && dot < folder)) return {};
  return fileName.substr(dot);
}

// A DEVNAMES block naming the printer; none without a name.
GlobalMemory DevNamesOf(const std::string& printer) {
  if (printer.empty()) return {};
  const std::wstring name = ToWide(printer);
  const size_t chars = sizeof(DEVNAMES) / sizeof(wchar_t) + name.size() + 3;
  GlobalMemory block(::GlobalAlloc(GHND, chars * sizeof(wchar_t)));
  if (!block) return {};
  const GlobalLockScope locked(block.get());
  auto* names = locked.As<DEVNAMES>();
  auto* text = reinterpret_cast<wchar_t*>(names);
  const WORD device = sizeof(DEVNAMES) / sizeof(wchar_t);
  names->wDriverOffset = static_cast<WORD>(device + name.size());  // empty driver and port texts
  names->wDeviceOffset = device;
  names->wOutputOffset = static_cast<WORD>(device + name.size());
  name.copy(text + device, name.size());
  return block;
}

// The current printer's settings in a DEVMODE block; none when no printer answers.
GlobalMemory DevModeOfCurrentPrinter() {
  const std::vector<BYTE> settings = TPrinter::Current().Settings();
  if (settings.empty()) return {};
  GlobalMemory block(::GlobalAlloc(GHND, settings.size()));
  if (!block) return {};
  const GlobalLockScope locked(block.get());
  std::copy(settings.begin(), settings.end(), locked.As<BYTE>());
  return block;
}

}  // namespace

bool RunPrinterDialog(PRINTDLGW& pd) {
  TModalScope scope;
  // The dialog may replace both blocks.
  pd.hDevNames = DevNamesOf(TPrinter::Current().Name()).release();
  pd.hDevMode = DevModeOfCurrentPrinter().release();
  const BOOL ok = ::PrintDlgW(&pd);
  const GlobalMemory names(pd.hDevNames), mode(pd.hDevMode);
  pd.hDevNames = pd.hDevMode = nullptr;
  if (!ok) return false;
  const GlobalLockScope lockedNames(names.get()), lockedMode(mode.get());
  if (auto* n = lockedNames.As<DEVNAMES>())
    TPrinter::Current().SetName(ToAnsi(reinterpret_cast<const wchar_t*>(n) + n->wDeviceOffset));
  if (auto* m = lockedMode.As<DEVMODEW>()) TPrinter::Current().TakeSettings(*m);
  return true;
}

std::optional<TPrintChoice> RunPrintDialog(HWND owner, const TPrintDialogSetup& setup) {
  DialogRequest request{"PrintDialog", "", "", 0};
  request.flags = PD_COLLATE | static_cast<UINT>(setup.range) | (setup.selection ? 0 : PD_NOSELECTION) |
                  (setup.pageNumbers ? 0 : PD_NOPAGENUMS);
  request.proposed = DialogAnswer(IDOK);
  request.proposed.printRange = setup.range;
  request.proposed.fromPage = 1;
  request.proposed.toPage = std::max<int32_t>(1, setup.maxPage);
  request.proposed.maxPage = std::max<int32_t>(1, setup.maxPage);
  const DialogAnswer answer = AskDialog(request, [&] {
    PRINTDLGW pd{};
    pd.lStructSize = sizeof(pd);
    pd.hwndOwner = owner;
    pd.Flags = request.flags;
    pd.nMinPage = 1;
    pd.nMaxPage = static_cast<WORD>(std::min<int32_t>(0xFFFF, request.proposed.maxPage));
    pd.nFromPage = 1;
    pd.nToPage = pd.nMaxPage;
    pd.nCopies = 1;
    if (!RunPrinterDialog(pd)) return DialogAnswer(IDCANCEL);
    DialogAnswer chosen(IDOK);
    chosen.printRange = (pd.Flags & PD_SELECTION) ? prSelection : (pd.Flags & PD_PAGENUMS) ? prPageNums : prAllPages;
    chosen.fromPage = pd.nFromPage;
    chosen.toPage = pd.nToPage;
    return chosen;
  });
  if (answer.result != IDOK) return std::nullopt;
  TPrintChoice choice;
  choice.range = static_cast<TPrintRange>(answer.printRange);
  choice.fromPage = answer.fromPage;
  choice.toPage = answer.toPage;
  return choice;
}

TPageList PagesOfChoice(const TPrintChoice& choice, int32_t pageCount) {
  if (choice.range != prPageNums) return TPageList::Range(1, pageCount);
  return TPageList::Range(std::max<int32_t>(1, choice.fromPage), std::min<int32_t>(pageCount, choice.toPage));
}

void PrintPages(HWND owner, TPrintEngine& engine, const TPageList& pageList) {
  const std::vector<int32_t>& pages = pageList.Pages();
  if (pages.empty()) return;
  // No second command starts from the owner while the status form lets messages through.
  TOwnerDisabled disabled(owner);
  auto status = std::make_unique<TfmPrintStatus>(owner);
  status->Show();
  ProcessMessages();
  DeviceContext printer = TPrinter::Current().CreateDC();
  if (!printer) throw Error(LoadResString(kMsgNoDefaultPrinter));
  TPrintJob job(printer.get(), TPrinter::Current().Title());
  const int32_t count = static_cast<int32_t>(pages.size());
  job.StartPage();
  for (int32_t i = 0; i < count; ++i) {
    status->SetProgress(i + 1, count);
    engine.RenderPage(printer.get(), pages[i]);
    if (i + 1 < count) {
      job.EndPage();
      job.StartPage();
    }
  }
  job.Finish();
}

std::string FilterExtension(int filterIndex) {
  switch (filterIndex) {
    case 1: return ".bmp";
    case 2: return ".jpg";
    case 3: return ".pdf";
    default: return "";
  }
}

std::string SaveFileName(const std::string& typed, int filterIndex) {
  if (!Trim(ExtensionOf(typed)).empty()) return typed;
  return typed + FilterExtension(filterIndex);
}

std::string DefaultSaveName(const std::string& siteHost) {
  std::string name = siteHost;
  const size_t www = name.find("www.");
  if (www != std::string::npos) name.erase(www, 4);
  const size_t dot = name.find('.');
  if (dot != std::string::npos) name.erase(dot);
  // The host is the page's word: a device, a stream or a path proposes nothing.
  return IsPlainName(ToWide(name)) ? name : std::string();
}

std::string RunSaveDialog(HWND owner, const std::string& defaultName) {
  DialogRequest request{"SaveDialog", "", "", 0};
  request.text = kSaveFilter;
  request.proposed = DialogAnswer(IDOK);
  request.proposed.fileName = ToWide(defaultName);
  request.proposed.filterIndex = 1;
  const DialogAnswer answer = AskDialog(request, [&] {
    TModalScope scope;
    std::wstring filter = ToWide(kSaveFilter);
    std::replace(filter.begin(), filter.end(), L'|', L'\0');
    filter.push_back(L'\0');
    std::vector<wchar_t> file(32768, L'\0');
    const std::wstring initial = ToWide(defaultName);
    initial.copy(file.data(), std::min(initial.size(), file.size() - 1));
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    // The browser's current folder stays as it was.
    ofn.Flags = OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
    if (!::GetSaveFileNameW(&ofn)) return DialogAnswer(IDCANCEL);
    DialogAnswer chosen(IDOK);
    chosen.fileName = file.data();
    chosen.filterIndex = static_cast<int>(ofn.nFilterIndex);
    return chosen;
  });
  if (answer.result != IDOK || answer.fileName.empty()) return {};
  // The code page's look-alikes would name another file than the one chosen.
  if (const std::vector<uint32_t> outside = CharsOutsideAnsi(answer.fileName); !outside.empty()) {
    std::string codes;
    for (const uint32_t code : outside) codes += (codes.empty() ? "" : ", ") + Format("U+%04X", code);
    throw Error("The file was not saved: its name holds characters that cannot be used in a file name here (" +
                codes + ").");
  }
  return SaveFileName(ToAnsi(answer.fileName), answer.filterIndex);
}

bool SaveCommand(HWND owner, TPrintEngine& engine, const TPageList& pages, const RECT* selection,
                 const std::string& defaultName) {
  std::string fileName;
  if (!CommandBoundary("", [&] { fileName = RunSaveDialog(owner, defaultName); }) || fileName.empty()) return false;
  return CommandBoundary("Not enough memory to save \"" + fileName + "\".", [&] {
    const std::string ext = ToLowerAscii(ExtensionOf(fileName));
    if (ext != ".bmp" && ext != ".jpg" && ext != ".pdf")
      throw Error("\"" + fileName + "\" was not saved: the file name must end in .bmp, .jpg or .pdf.");
    // The platform would write such a file into a device and call it saved.
    if (NamesDevice(fileName)) throw Error("\"" + fileName + "\" was not saved: the name is reserved for a device.");
    if (selection)
      engine.SaveSelection(*selection, fileName);
    else
      engine.SaveToFile(pages, fileName);
  });
}

bool SaveAllowed(HWND owner) {
  return SaveAllowed(owner, [] { return GetProcessIntegrityLevel(0); });
}

bool SaveAllowed(HWND owner, const std::function<std::optional<uint8_t>()>& readIntegrityLevel) {
  const uint8_t level = readIntegrityLevel().value_or(0);
  if (!IsVistaOrLater() || !TPrintEngine::IsUACEnabled()) return true;
  if (TPrintEngine::IsIEProtectedMode()) {
    TPrintEngine::ShowMessage(LoadResString(kMsgSaveRefusedProtectedMode), owner);
    return false;
  }
  if (level < 3) {
    TPrintEngine::ShowMessage(LoadResString(kMsgSaveRefusedLowIntegrity), owner);
    return false;
  }
  return true;
}

bool CheckPrinter(UINT icon) {
  TPrintEngine scratch(nullptr);
  if (scratch.HasPrinter()) return true;
  ShowMessageBox(nullptr, LoadResString(kMsgNoDefaultPrinter), kProductName, MB_OK | icon);
  return false;
}

}  // namespace vt
