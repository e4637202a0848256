#!/usr/bin/env python3
"""Counts, per folder, where the code still says something other than the contract of base/Errors.h.

- catch-alls: try statements with a `catch (...)` or `catch (const std::exception&)` outside the
  named boundary helpers (base/Boundary.*, base/ScopeGuard.h, control/uSafeCall.h);
- out-parameters: functions declared in a header whose answer comes back through a non-const
  reference to a value (text, a list, an owner, a rectangle or time, a number or flag, an answer
  struct) or through a pointer to a pointer. The platform's own signatures (COM methods,
  WINAPI/CALLBACK functions, the COM pair REFIID + void**) and pictures drawn into in place do
  not count.

Usage: scripts/count-contract.py          prints the counts per folder
       scripts/count-contract.py --list   prints each place as well
A heuristic to follow the work by, not a check: scripts/test.sh does not run it.
"""
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
FOLDERS = ["base", "capture", "page", "preview", "control"]
BOUNDARY_HELPERS = {"base/Boundary.h", "base/Boundary.cpp", "base/ScopeGuard.h", "control/uSafeCall.h"}

CATCH_ALL = re.compile(r"catch\s*\(\s*(\.\.\.|const\s+std::exception\s*&[^)]*)\)")
VALUE_TYPE = re.compile(
    r"^(std::(string|wstring|vector<.*>|unique_ptr<.*>|optional<.*>)|RECT|POINT|SIZE|SYSTEMTIME|Handle"
    r"|bool|int|int32_t|int64_t|uint32_t|long|long double|double|DWORD|UINT|LONG|T\w*(Answer|Pixels))$")
SYSTEM_SIGNATURE = re.compile(r"STDMETHODCALLTYPE|WINAPI|CALLBACK|\busing\b|std::function<")


def strip_comments(text):
    return re.sub(r"//[^\n]*", "", text)


def catch_alls(path, rel):
    """One place per try statement that has a catch-all among its handlers."""
    if rel in BOUNDARY_HELPERS:
        return []
    found, handlers = [], {}  # indentation -> whether the try seen there already counted
    for number, line in enumerate(path.read_text(errors="replace").splitlines(), 1):
        code = line.split("//", 1)[0]
        indent = len(code) - len(code.lstrip(" "))
        if re.search(r"\btry\b", code):
            handlers[indent] = False
        if "catch" not in code or not CATCH_ALL.search(code):
            continue
        if handlers.get(indent) is False or indent not in handlers:
            found.append(f"{rel}:{number}: {line.strip()}")
        handlers[indent] = True
    return found


def is_out_parameter(param):
    param = re.sub(r"=.*$", "", param).strip()
    if param.startswith("const ") or "&&" in param:
        return False
    if re.search(r"\bvoid\s*\*\*", param):
        return False  # the COM pair REFIID + void**
    if re.search(r"\*\s*\*\s*\w*$|\bPWSTR\s*\*\s*\w*$", param):
        return True
    match = re.match(r"^(.+?)\s*&\s*\w+$", param)
    return bool(match and VALUE_TYPE.match(match.group(1).strip()))


def split_params(text):
    params, depth, current = [], 0, ""
    for ch in text:
        if ch in "<(":
            depth += 1
        elif ch in ">)":
            depth -= 1
        if ch == "," and depth == 0:
            params.append(current)
            current = ""
        else:
            current += ch
    params.append(current)
    return params


def out_parameters(path, rel):
    text = strip_comments(path.read_text(errors="replace"))
    found = []
    # A name, its parameter list (one level of nested parentheses), then what ends a declaration.
    for match in re.finditer(r"\b(\w+)\s*\(((?:[^()]|\([^()]*\))*)\)\s*(const)?\s*(noexcept)?\s*(override)?\s*[;{:]",
                             text):
        start = text.rfind("\n", 0, match.start()) + 1
        statement = text[start:match.end()]
        if match.group(1) in ("if", "while", "for", "switch", "return", "sizeof") or SYSTEM_SIGNATURE.search(statement):
            continue
        if any(is_out_parameter(p) for p in split_params(match.group(2))):
            line = text.count("\n", 0, match.start()) + 1
            found.append(f"{rel}:{line}: {match.group(1)}({' '.join(match.group(2).split())})")
    return found


def main():
    listing = "--list" in sys.argv[1:]
    totals = {"catch-alls": 0, "out-parameters": 0}
    print(f"{'folder':<8} {'catch-alls':>10} {'out-parameters':>15}")
    details = []
    for folder in FOLDERS:
        catches, outs = [], []
        for path in sorted((ROOT / folder).glob("*")):
            rel = f"{folder}/{path.name}"
            if path.suffix in (".h", ".cpp"):
                catches += catch_alls(path, rel)
            if path.suffix == ".h":
                outs += out_parameters(path, rel)
        print(f"{folder:<8} {len(catches):>10} {len(outs):>15}")
        totals["catch-alls"] += len(catches)
        totals["out-parameters"] += len(outs)
        details += catches + outs
    print(f"{'total':<8} {totals['catch-alls']:>10} {totals['out-parameters']:>15}")
    if listing:
        print()
        print("\n".join(details))


if __name__ == "__main__":
    main()
