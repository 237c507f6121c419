#!/usr/bin/env bash
# Checks the user manual against the program: every help topic the code opens is an anchor of
# the manual, every picture it shows exists, every in-page link has its target, nothing is
# loaded from outside, and every menu shortcut of the main window is mentioned.
#   tests/docs/manual_test.sh SOURCE_DIR
set -uo pipefail
root="${1:-$(dirname "$0")/../..}"
manual="$root/docs/help/editor.html"
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
[ -f "$manual" ] || { echo "FAIL: no manual at $manual" >&2; exit 1; }

ids=$(grep -o ' id="[^"]*"' "$manual" | sed 's/ id="\(.*\)"/\1/' | sort)
has_id() { grep -qxF -- "$1" <<<"$ids"; }

# No anchor twice: a browser would jump to the first only.
duplicates=$(uniq -d <<<"$ids")
[ -z "$duplicates" ] || fail "anchors defined twice: $duplicates"

# Topics the program opens: ShowHelp(file, "topic").
topics=$(grep -rhoE 'ShowHelp\([^;]*,[[:space:]]*"[^"]+"' "$root/src" | sed -E 's/.*"([^"]+)"$/\1/' | sort -u)
for topic in $topics; do
  has_id "$topic" || fail "the program opens help topic '$topic', which the manual lacks"
done

# In-page links.
for target in $(grep -oE 'href="#[^"]*"' "$manual" | sed -E 's/href="#(.*)"/\1/' | sort -u); do
  has_id "$target" || fail "link to #$target has no anchor"
done

# Pictures exist, and nothing comes from outside.
for image in $(grep -oE '<img [^>]*src="[^"]*"' "$manual" | sed -E 's/.*src="([^"]*)"/\1/'); do
  case "$image" in
    *://* | //*) fail "picture loaded from outside: $image" ;;
    *) [ -f "$root/docs/help/$image" ] || fail "missing picture $image" ;;
  esac
done
if grep -qiE '<(script|link|iframe)[^>]+(src|href)="(https?:)?//' "$manual"; then
  fail "the manual loads a resource from outside"
fi

# Shortcuts: each is written as keys, the way Qt names them: Ctrl+Shift+Z as
# <kbd>Ctrl</kbd>+<kbd>Shift</kbd>+<kbd>Z</kbd>.
as_keys() {
  local keys="" key
  # The plus key itself is no separator.
  [ "$1" = "+" ] && { printf '<kbd>+</kbd>'; return; }
  IFS=+ read -ra parts <<<"$1"
  for key in "${parts[@]}"; do keys+="${keys:++}<kbd>$key</kbd>"; done
  printf '%s' "$keys"
}
# Every key sequence the shell names, also those given with others (setShortcuts).
shortcuts=$(grep -rhoE 'QKeySequence\(("[^"]*"|Qt::Key_[A-Za-z0-9]+)\)' "$root/src/shell" |
  sed -E 's/.*QKeySequence\(//; s/\)$//' | sort -u)
[ -n "$shortcuts" ] || fail "found no shortcuts in src/shell: has the code moved?"
while IFS= read -r shortcut; do
  [ -n "$shortcut" ] || continue
  case "$shortcut" in
    \"*\") name="${shortcut//\"/}" ;;
    Qt::Key_Delete) name="Del" ;;
    Qt::Key_Space) name="Space" ;;
    Qt::Key_Escape) name="Esc" ;;
    Qt::Key_F[0-9]*) name="${shortcut#Qt::Key_}" ;;
    Qt::Key_*) name="${shortcut#Qt::Key_}" ;;
    *) continue ;;  # e.g. QKeySequence() to take a shortcut away
  esac
  grep -qF -- "$(as_keys "$name")" "$manual" || fail "shortcut $name is not in the manual"
done <<<"$shortcuts"

if [ "$failures" -gt 0 ]; then
  echo "$failures problem(s) in $manual" >&2
  exit 1
fi
echo "manual OK: $(wc -l <<<"$ids") anchors, shortcuts and pictures checked"
