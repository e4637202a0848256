#!/usr/bin/env bash
# Keeps resources in owners: outside the owners of base/ no code releases, closes or frees by hand.
# A call of one of the platform's release functions, a COM pointer's Release() or a `delete` of an
# owned object anywhere else fails, naming the file and line. A COM object's own Release() is a
# definition, not a call, and so is the `delete this` that ends it.
# Usage: scripts/check-owners.sh          fails on a hand-written release
#        scripts/check-owners.sh --count  prints how many each folder has
set -euo pipefail
cd "$(dirname "$0")/.."

folders=(base page capture preview control browser)
# The owners themselves: the only places that call the release functions.
owners='^base/(Handles|ComPtr|Variant|ScopeGuard)\.h:'
release_functions='VariantClear|GlobalFree|GlobalUnlock|ClosePrinter|RegCloseKey|CoTaskMemFree|SysFreeString'
release_functions+='|CloseHandle|DeleteObject|DeleteDC|DestroyIcon|DestroyMenu|FreeLibrary|LocalFree|ReleaseDC'
release_functions+='|UnhookWindowsHookEx|ReleaseMutex'

hand_releases() {
  grep -rnE --include='*.h' --include='*.cpp' \
       "\b($release_functions)\s*\(|(->|\.)Release\(\)|\bdelete\s+[A-Za-z_][A-Za-z0-9_.>-]*\s*;" "${folders[@]}" |
    grep -vE "$owners" |
    grep -vE '^[^:]+:[0-9]+:\s*//' |               # a comment
    grep -vE '\bdelete this\b' |                   # the end of a COM object's own Release
    grep -vE '::Release\(\)\s*\{|\bRelease\(\)\s*(override|\{)' || true  # a Release definition
}

if [[ ${1:-} == --count ]]; then
  for folder in "${folders[@]}"; do
    printf '%-8s %3d\n' "$folder" "$(hand_releases | grep -c "^$folder/" || true)"
  done
  exit 0
fi

found=$(hand_releases)
if [[ -n $found ]]; then
  echo "$found" | sed 's/$/   <- release by hand: use an owner of base\/ (Handles.h, ComPtr.h, Variant.h, ScopeGuard.h)/' >&2
  exit 1
fi
