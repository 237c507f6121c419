#!/usr/bin/env bash
# Backticks, ~ and ${...} below are literal text of the notes.
# shellcheck disable=SC2016,SC2088
# Checks that the architecture notes name only what exists: every code name the notes put in
# backticks (an identifier, a target, a file or a path) occurs in the project outside docs/, so
# that a rename or a removal the notes missed fails here.
#   tests/docs/notes_test.sh SOURCE_DIR
set -uo pipefail
shopt -s extglob
root="${1:-$(dirname "$0")/../..}"
cd "$root" || exit 1
notes=docs/architecture.md
[ -f "$notes" ] || { echo "FAIL: no notes at $root/$notes" >&2; exit 1; }

# Where code names live. This script is left out: its own lists must not vouch for a name.
places=(src tests tools fuzz bench resources packaging lang cmake CMakeLists.txt test.sh)
search=(-rIho --exclude=notes_test.sh -- "${places[@]}")

# Backticked words that are no name in our files, each with its reason.
declare -A allowed=(
  ['cp']='the shell command whose copying the stores imitate'
  ['identifier=text']='the form of a language file entry'
  ['~/.config/Morvane/Quillon.ini']='where QSettings keeps the organisation and application we name'
  ['build-fuzz/fuzz/corpus/']='the fuzz folder of the build tree, ${CMAKE_CURRENT_BINARY_DIR}/corpus'
)

# Spans that are text, commands or templates of run-time names (spaces, <placeholders>, $VARS,
# globs, ellipses) are no single name; of a command only a path to one of our scripts is checked.
words=() strings=() members=()
while IFS= read -r span; do
  [ -n "${allowed[$span]+x}" ] && continue
  span=${span//)./)::}            # a call's member is a name of its own
  span=${span//\(*([^\)])\)/}  # calls lose their arguments
  if [[ $span == *[[:space:]]* ]]; then
    span=${span%%[[:space:]]*}
    [[ $span == */* ]] || continue
  fi
  [[ $span == *[\<\$*[]* || $span == *...* ]] && continue
  span=${span%%=*}  # VARIABLE=value names the variable
  if [[ $span =~ ^[A-Za-z_][A-Za-z0-9_-]*(::[A-Za-z_][A-Za-z0-9_]*)*$ ]]; then
    IFS=' ' read -ra parts <<<"${span//::/ }"
    words+=("${parts[@]}")
    [[ $span == *::* ]] && members+=("$span")
  else
    strings+=("$span")
  fi
done < <(grep -o '`[^`]*`' "$notes" | tr -d '`' | sort -u)

declare -A present=()
# Identifiers and targets as whole words; files, paths and other spellings as they stand, in the
# sources or among the project's file paths.
while IFS= read -r name; do present[$name]=1; done < <(
  printf '%s\n' "${words[@]}" | grep -wFf - "${search[@]}"
  printf '%s\n' "${strings[@]}" | grep -Ff - "${search[@]}")

# One match can hide another inside it (src/shell/ hides shell/x.cpp, quillon-cli hides quillon):
# a name not seen yet is looked for again alone.
paths=$(find "${places[@]}" -type f ! -name notes_test.sh)
failures=0
for name in "${words[@]}" "${strings[@]}"; do
  [ -n "${present[$name]+x}" ] && continue
  if [[ $name =~ ^[A-Za-z_][A-Za-z0-9_-]*$ ]]; then
    grep -rIqwF --exclude=notes_test.sh -e "$name" -- "${places[@]}" && continue
  else
    [[ $paths == *"$name"* ]] && continue
    grep -rIqF --exclude=notes_test.sh -e "$name" -- "${places[@]}" && continue
  fi
  echo "FAIL: the notes name \`$name\`, which nothing outside docs/ has" >&2
  failures=$((failures + 1))
done
# A member must be named in a file that names its class too.
for member in "${members[@]}"; do
  owner=${member%::*}
  owner=${owner##*::}
  grep -rlwF --exclude=notes_test.sh -e "${member##*::}" -- "${places[@]}" |
    xargs -r grep -qwF -e "$owner" && continue
  echo "FAIL: the notes name \`$member\`, which nothing outside docs/ has" >&2
  failures=$((failures + 1))
done
[ "$failures" -eq 0 ] || exit 1
echo "notes: every code name in backticks exists outside docs/"
