#!/usr/bin/env bash
# Every manual page renders without a warning from man or groff.
set -u
failures=0
for page in "$1"/*.1; do
  warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
  if [ -n "$warnings" ]; then
    echo "FAILED: $page"; echo "$warnings"; failures=$((failures + 1))
  else
    echo "ok: $page"
  fi
done
[ "$failures" -eq 0 ]
