#!/usr/bin/env bash
# Keeps resources in owners: outside the owners of base/ no code releases, closes or frees by hand.
# A call of one of the release functions of the platform or of a library the control links, a COM
# pointer's Release() or a `delete` of an owned object anywhere else fails, naming the file and
# line. A COM object's own Release() is a definition, not a call, and so is the `delete this` that
# ends it.
# Usage: scripts/check-owners.sh          fails on a hand-written release
#        scripts/check-owners.sh --count  prints how many each folder has
set -euo pipefail
cd "$(dirname "$0")/.."

folders=(base page capture preview control browser)
# The owners themselves: the only places that call the release functions. FileTree deletes whole
# folders on purpose (RemoveTree, which TempFolder releases with).
owners='^base/((Handles|LibraryHandles|ComPtr|Variant|ScopeGuard|TempFiles)\.h|FileTree\.(h|cpp)):'

# Win32: handles, memory, GDI, windows and painting, the clipboard, COM and OLE.
release_functions='VariantClear|GlobalFree|GlobalUnlock|ClosePrinter|RegCloseKey|CoTaskMemFree|SysFreeString'
release_functions+='|CloseHandle|FindClose|DeleteObject|DeleteDC|DestroyIcon|DestroyMenu|FreeLibrary|LocalFree'
release_functions+='|ReleaseDC|EndPaint|DestroyWindow|RestoreDC|CloseClipboard|UnhookWindowsHookEx|ReleaseMutex'
release_functions+='|CoUninitialize|OleUninitialize|fclose'
# Putting back what SelectObject replaced is a release too; a selection by hand cannot be told
# from its undoing, so every SelectObject call outside the owners counts.
release_functions+='|SelectObject'
# Temporary files and folders.
release_functions+='|DeleteFile[AW]?|RemoveDirectory[AW]?|RemoveTree'
# The libraries: libjpeg, libharu, giflib, libzip, WinINet.
release_functions+='|jpeg_destroy_compress|jpeg_destroy_decompress|jpeg_destroy|HPDF_Free|DGifCloseFile|EGifCloseFile'
release_functions+='|zip_close|zip_discard|zip_fclose|zip_source_free|InternetCloseHandle'

hand_releases() {
  grep -rnE --include='*.h' --include='*.cpp' \
       "\b($release_functions)\s*\(|(->|\.)Release\(\)|\bdelete\s+[A-Za-z_][A-Za-z0-9_.>-]*\s*;" "${folders[@]}" |
    grep -vE "$owners" |
    grep -vE '^[^:]+:[0-9]+:\s*//' |               # a comment
    grep -vE '\bdelete this\b' |                   # the end of a COM object's own Release
    grep -vE '::Release\(\)\s*\{|\bRelease\(\)\s*(override|\{)' || true  # a Release definition
}

found=$(hand_releases)
if [[ ${1:-} == --count ]]; then
  for folder in "${folders[@]}"; do
    printf '%-8s %3d\n' "$folder" "$(grep -c "^$folder/" <<<"$found" || true)"
  done
  exit 0
fi

if [[ -n $found ]]; then
  echo "$found" | sed 's/$/   <- release by hand: use an owner of base\/ (Handles.h, LibraryHandles.h, ComPtr.h, Variant.h, ScopeGuard.h, TempFiles.h)/' >&2
  exit 1
fi
