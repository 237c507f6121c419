#!/usr/bin/env bash
# Checks the installed tree and the Debian package made from a built tree.
# Usage: install_test.sh tree|desktop|deb BUILD_DIR SOURCE_DIR VERSION
set -euo pipefail

mode=$1 build=$2 source=$3 version=$4
work=$(mktemp -d "${TMPDIR:-/tmp}/quillon-install-$mode.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

expect_file() {
  [ -f "$1" ] || fail "missing $1"
}

install_tree() {
  cmake --install "$build" --prefix "$work/prefix" >"$work/install.log" ||
    { cat "$work/install.log" >&2; exit 1; }
}

# Width and height of a PNG, from its header.
png_size() {
  od -An -tu1 -j16 -N8 "$1" |
    awk '{ w = (($1 * 256 + $2) * 256 + $3) * 256 + $4; h = (($5 * 256 + $6) * 256 + $7) * 256 + $8
           printf "%dx%d", w, h }'
}

check_programs() {
  local bin=$work/prefix/bin program
  for program in quillon quillon-cli; do
    [ -x "$bin/$program" ] || { fail "$program is not an installed program"; continue; }
    ldd "$bin/$program" | grep -q "not found" && fail "$program misses a library"
    # A build-tree search path would load libraries from wherever the build was.
    readelf -d "$bin/$program" | grep -qE "RPATH|RUNPATH" && fail "$program keeps a search path"
  done
  local status=0
  "$bin/quillon-cli" --help >/dev/null 2>"$work/usage" || status=$?
  [ "$status" -eq 2 ] || fail "quillon-cli --help ended with $status, not 2"
  grep -q "^usage: quillon-cli info " "$work/usage" || fail "quillon-cli --help shows no usage"
}

check_data() {
  local share=$work/prefix/share language size
  for language in "$source"/lang/*.lng; do
    cmp -s "$language" "$share/quillon/lang/$(basename "$language")" ||
      fail "language file $(basename "$language") not installed"
  done
  # The help command looks for the manual at ../share/doc/quillon from the program's folder.
  expect_file "$work/prefix/bin/../share/doc/quillon/editor.html"
  diff -r "$source/docs/help" "$share/doc/quillon" >/dev/null || fail "the manual's folder differs"
  expect_file "$share/applications/org.quillon.Quillon.desktop"
  expect_file "$share/metainfo/org.quillon.Quillon.metainfo.xml"
  for size in 16 22 24 32 48 64 128 256; do
    local png=$share/icons/hicolor/${size}x${size}/apps/quillon.png
    if [ -f "$png" ]; then
      [ "$(png_size "$png")" = "${size}x${size}" ] || fail "$png is $(png_size "$png")"
    else
      fail "missing $png"
    fi
  done
  cmp -s "$source/resources/icons/quillon.svg" "$share/icons/hicolor/scalable/apps/quillon.svg" ||
    fail "the scalable icon is not the program's"
}

# Every extension the editor's open dialog offers must map to a type the desktop entry claims.
check_mime_types() {
  local desktop=$1 claimed extension
  claimed=$(sed -n 's/^MimeType=//p' "$desktop" | tr ';' '\n')
  local offered
  offered=$(grep -o 'kSupportedPatterns = "[^"]*"' "$source/src/shell/filedialogtexts.cpp" |
    grep -o '\*\.[a-z0-9]*' | sed 's/^\*\.//')
  [ -n "$offered" ] || fail "the open dialog's formats were not found"
  for extension in $offered; do
    local types
    types=$(awk -F: -v glob="*.$extension" '$3 == glob { print $2 }' /usr/share/mime/globs2)
    grep -qxF -f <(echo "$types") <<<"$claimed" || fail ".$extension ($types) is not claimed"
  done
}

check_desktop() {
  local desktop=$work/prefix/share/applications/org.quillon.Quillon.desktop
  desktop-file-validate "$desktop" || fail "desktop-file-validate refuses the desktop entry"
  appstreamcli validate --no-net "$work/prefix/share/metainfo/org.quillon.Quillon.metainfo.xml" \
    >"$work/appstream" || { cat "$work/appstream" >&2; fail "appstreamcli refuses the metainfo"; }
  grep -qx "Exec=quillon %f" "$desktop" || fail "the desktop entry does not start quillon"
  grep -qx "Icon=quillon" "$desktop" || fail "the desktop entry names another icon"
  check_mime_types "$desktop"
}

check_control_field() {
  local field=$1 expected=$2 value
  value=$(dpkg-deb -f "$deb" "$field")
  [ "$value" = "$expected" ] || fail "$field is '$value', not '$expected'"
}

check_deb() {
  cpack --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; exit 1; }
  local debs=("$work"/package/quillon_*.deb)
  if [ "${#debs[@]}" -ne 1 ] || [ ! -f "${debs[0]}" ]; then
    fail "cpack made no single quillon_*.deb"
    return
  fi
  deb=${debs[0]}
  check_control_field Package quillon
  check_control_field Version "$version"
  check_control_field Section sound
  check_control_field Architecture "$(dpkg --print-architecture)"
  [ -n "$(dpkg-deb -f "$deb" Maintainer)" ] || fail "no Maintainer"
  local depends library
  depends=$(dpkg-deb -f "$deb" Depends)
  for library in libc6 libqt6widgets6 libqt6svg6 libavformat libmp3lame0 libsdl2 libcurl4; do
    grep -q "$library" <<<"$depends" || fail "Depends lacks $library: $depends"
  done
  dpkg-deb -c "$deb" | awk '{ print $6 }' | grep -vqE '^\./(usr/.*)?$' &&
    fail "the package installs outside /usr"

  dpkg-deb -x "$deb" "$work/root"
  sox -n -r 8000 -c 2 -b 16 "$work/tone.wav" synth 0.5 sine 440 vol 0.5
  "$work/root/usr/bin/quillon-cli" info "$work/tone.wav" >"$work/info" ||
    fail "quillon-cli info failed"
  if ! grep -qx "channels: 2" "$work/info" || ! grep -qx "frames: 4000" "$work/info"; then
    fail "quillon-cli info from the package: $(cat "$work/info")"
  fi
  expect_file "$work/root/usr/share/doc/quillon/editor.html"

  # Resolving the dependencies proves the package installs here; nothing is installed.
  if ! apt-get install --simulate "$deb" >"$work/apt.log" 2>&1 ||
    ! grep -q "^Inst quillon " "$work/apt.log"; then
    cat "$work/apt.log" >&2
    fail "apt-get would not install the package"
  fi
}

case $mode in
  tree) install_tree; check_programs; check_data ;;
  desktop) install_tree; check_desktop ;;
  deb) check_deb ;;
  *) echo "unknown mode $mode" >&2; exit 2 ;;
esac
[ "$failures" -eq 0 ] || { echo "$failures failures" >&2; exit 1; }
echo "install $mode: ok"
