#!/usr/bin/env bash
# Keeps the folders in layers: each may include only the folders below it, never one beside or above.
#   base                the bottom: includes no other folder
#   resources           string and type-library ids, beside base
#   page, capture       above base, apart from each other
#   preview             above page and capture
#   control             the top
#   browser, bench      beside the rest: they include what they use; only tests include them
# Usage: scripts/check-layers.sh          fails, naming the file, on an include against the layers
#        scripts/check-layers.sh --table  prints which folder includes which, and from how many files
set -euo pipefail
cd "$(dirname "$0")/.."

declare -A below=(
  [base]=""
  [resources]=""
  [page]="base resources"
  [capture]="base resources"
  [preview]="base resources page capture"
  [control]="base resources page capture preview"
  [browser]="base resources page capture preview control"
  [bench]="base resources page capture preview control"
  [tests]="base resources page capture preview control browser bench"
)

# "from to file" for every include of another top folder's header, one line per file and folder.
includes() {
  grep -rHoE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"]+/[^"]+"' \
       --include='*.h' --include='*.cpp' --include='*.c' --include='*.rc' "${!below[@]}" |
    sed -E 's/^([^:]+):.*"([^"]+)"$/\1 \2/' |
    while read -r file target; do
      from=${file%%/*} to=${target%%/*}
      # A path whose first part is no top folder is relative to the including file's own folder.
      [[ -n ${below[$to]+set} && $to != "$from" ]] && echo "$from $to $file"
    done | sort -u
}

if [[ ${1:-} == --table ]]; then
  includes | awk '{ files[$1 " -> " $2]++ } END { for (pair in files) printf "%-22s %4d\n", pair, files[pair] }' |
    sort
  exit 0
fi

status=0
while read -r from to file; do
  if [[ " ${below[$from]} " != *" $to "* ]]; then
    echo "$file: $from/ includes $to/, which is not below it (${from}/ may include: ${below[$from]:-nothing})" >&2
    status=1
  fi
done < <(includes)
exit $status
