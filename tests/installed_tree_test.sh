#!/bin/sh
# Installs the build into a temporary prefix, checks that the tree holds the
# programs, their manual pages and the README, and nothing else in bin and
# man1, and runs installed programs from there.
# Usage: installed_tree_test.sh CMAKE BUILD_DIR SOURCE_DIR PROGRAM...
cmake=$1 build=$2 source=$3
shift 3
prefix=$(mktemp -d) || exit 1
trap 'rm -rf "$prefix"' EXIT
failed=0
fail() {
  echo "FAIL: $*"
  failed=1
}

if ! timeout 60 "$cmake" --install "$build" --prefix "$prefix" >"$prefix/log" 2>&1; then
  cat "$prefix/log"
  exit 1
fi

# The installed page must be the page in the source tree, packed intact.
for program in "$@"; do
  gzip -dc "$prefix/share/man/man1/$program.1.gz" 2>/dev/null |
    cmp -s - "$source/man/$program.1" || fail "share/man/man1/$program.1.gz is not man/$program.1"
done
[ "$(ls "$prefix/bin" | sort)" = "$(printf '%s\n' "$@" | sort)" ] ||
  fail "bin holds: $(ls "$prefix/bin" | tr '\n' ' ')"
[ "$(ls "$prefix/share/man/man1" | sort)" = "$(printf '%s.1.gz\n' "$@" | sort)" ] ||
  fail "share/man/man1 holds: $(ls "$prefix/share/man/man1" | tr '\n' ' ')"
cmp -s "$prefix/share/doc/startup-logo-tools/README.md" "$source/README.md" ||
  fail "share/doc/startup-logo-tools/README.md is not the README"
cmp -s "$prefix/share/doc/startup-logo-tools/copyright" "$source/cmake/copyright" ||
  fail "share/doc/startup-logo-tools/copyright is not cmake/copyright"
cmp -s "$prefix/share/doc/startup-logo-tools/docs/preview-frame.png" "$source/docs/preview-frame.png" ||
  fail "the README's picture is not beside it"

# One row per run: program, arguments ("-" for none), expected exit status.
# Programs that this build does not make are skipped.
while read -r program args status; do
  [ -e "$prefix/bin/$program" ] || continue
  [ "$args" = "-" ] && args=""
  # shellcheck disable=SC2086 # the arguments are words
  said=$(timeout 10 "$prefix/bin/$program" $args </dev/null 2>&1)
  got=$?
  [ "$got" -eq "$status" ] || fail "$program $args: exit status $got, not $status"
  [ -n "$said" ] || fail "$program $args: printed nothing"
done <<'ROWS'
cyclemake - 2
huefind16 - 2
palpack --help 0
cycleview --help 0
logofit --help 0
logostudio --help 0
ROWS
exit "$failed"
