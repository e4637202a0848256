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
# Every form counts: "folder/x.h" and <folder/x.h> from the top of the tree, "x.h" and paths with
# ./ or ../ from the including file's own folder, as the compiler finds them: a quoted path is
# looked for beside the including file first.
includes() {
  grep -rHE '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"][^>"]+[>"]' \
       --include='*.h' --include='*.cpp' --include='*.c' --include='*.rc' "${!below[@]}" |
    awk -v layers="${!below[*]}" '
      # The path with its . and .. parts resolved; empty when it leaves the tree.
      function resolve(path,   parts, n, i, kept, depth, out) {
        n = split(path, parts, "/")
        depth = 0
        for (i = 1; i <= n; i++) {
          if (parts[i] == "" || parts[i] == ".") continue
          if (parts[i] == "..") { if (depth == 0) return ""; depth--; continue }
          kept[++depth] = parts[i]
        }
        out = kept[1]
        for (i = 2; i <= depth; i++) out = out "/" kept[i]
        return out
      }
      BEGIN { n = split(layers, names, " "); for (i = 1; i <= n; i++) layer[names[i]] = 1 }
      FNR == NR { exists[$0] = 1; next }  # the first input: every file of the tree
      {
        file = substr($0, 1, index($0, ":") - 1)
        match($0, /[<"][^>"]+[>"][[:space:]]*(\/\/.*)?$/)
        quoted = substr($0, RSTART, 1) == "\""
        target = substr($0, RSTART + 1, index(substr($0, RSTART + 1), quoted ? "\"" : ">") - 1)
        folder = file; sub(/\/[^\/]*$/, "", folder)
        beside = resolve(folder "/" target)
        if (target ~ /^\.\.?\//) path = beside
        else if (quoted && (beside in exists)) path = beside
        else path = resolve(target)
        from = file; sub(/\/.*/, "", from)
        to = path; if (sub(/\/.*/, "", to) == 0) next  # a header of no folder of ours
        if ((to in layer) && to != from) print from, to, file
      }' <(find "${!below[@]}" -type f) - |
    sort -u
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
