#!/bin/sh
# Every manual page renders without a single groff warning.
# Usage: manual_pages_test.sh GROFF PAGE...
groff=$1
shift
failed=0
for page in "$@"; do
  said=$(timeout 30 "$groff" -man -ww -z "$page" 2>&1)
  status=$?
  if [ "$status" -ne 0 ] || [ -n "$said" ]; then
    printf '%s (status %s):\n%s\n' "$page" "$status" "$said"
    failed=1
  fi
done
exit "$failed"
