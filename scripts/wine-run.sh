#!/usr/bin/env bash
# Runs a Windows program under Wine for ctest. Its output goes through a file:
# services that Wine starts on demand inherit the program's output handles and
# outlive it, and would keep ctest's pipe open until the time-out.
out=$(mktemp)
wine "$@" >"$out" 2>&1 </dev/null
status=$?
cat "$out"
rm -f "$out"
exit $status
