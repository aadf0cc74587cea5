#!/usr/bin/env bash
# Installs the build into a staging root as a package build does (cmake --install with
# DESTDIR and the prefix /usr) and checks what arrived: exactly the expected files (no
# tests, benchmarks or libraries), a desktop entry and AppStream metadata that the
# desktop's own validators accept, an icon at every size the entry's Icon= names, a
# manual page that formats without a warning, and a program that starts from there.
#   check-install.sh BUILD_DIR VERSION
set -euo pipefail
build="$1"
version="$2"
stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

DESTDIR="$stage" cmake --install "$build" --prefix /usr >/dev/null

id=com.vostrane.quorvix
sizes=(16 32 48 64 128 256)
expected=(
  usr/bin/quorvix
  "usr/share/applications/$id.desktop"
  "usr/share/metainfo/$id.metainfo.xml"
  "usr/share/icons/hicolor/scalable/apps/$id.svg"
  usr/share/man/man1/quorvix.1.gz
  usr/share/doc/quorvix/README.md
  usr/share/doc/quorvix/docs/screenshot.png
  usr/share/doc/quorvix/docs/walkthrough.png
  usr/share/doc/quorvix/examples/gateway.log
  usr/share/doc/quorvix/examples/quorvix.ini
  usr/share/doc/quorvix/examples/readme.txt
)
for size in "${sizes[@]}"; do
  expected+=("usr/share/icons/hicolor/${size}x${size}/apps/$id.png")
done
if ! diff <(printf '%s\n' "${expected[@]}" | sort) <(cd "$stage" && find . ! -type d -printf '%P\n' | sort); then
  fail "the staged files differ from the expected ones (< expected, > installed)"
fi
[ -x "$stage/usr/bin/quorvix" ] || fail "usr/bin/quorvix is not executable"

# The validators: desktop-file-validate prints warnings and hints but fails only on
# errors, so anything it prints fails here.
desktop="$stage/usr/share/applications/$id.desktop"
out="$(desktop-file-validate "$desktop" 2>&1)" || fail "desktop-file-validate: $out"
[ -z "$out" ] || fail "desktop-file-validate: $out"
# Warnings fail appstreamcli; validate-tree also checks that the metadata's launchable
# desktop entry is installed beside it.
appstreamcli validate --no-net "$stage/usr/share/metainfo/$id.metainfo.xml" >/dev/null ||
  fail "appstreamcli validate: $(appstreamcli validate --no-net "$stage/usr/share/metainfo/$id.metainfo.xml" 2>&1)"
appstreamcli validate-tree --no-net "$stage" >/dev/null ||
  fail "appstreamcli validate-tree: $(appstreamcli validate-tree --no-net "$stage" 2>&1)"

# The entry starts the installed program on the files it is given, with the installed icon.
grep -qx 'Exec=quorvix %F' "$desktop" || fail "the desktop entry's Exec is not 'quorvix %F'"
grep -qx "Icon=$id" "$desktop" || fail "the desktop entry's Icon is not $id"
for size in "${sizes[@]}"; do
  png="$stage/usr/share/icons/hicolor/${size}x${size}/apps/$id.png"
  [ -f "$png" ] || continue
  # Width and height: the first two fields of the IHDR chunk, big-endian, at byte 16.
  read -r w1 w2 w3 w4 h1 h2 h3 h4 < <(od -An -tu1 -j16 -N8 "$png")
  width=$((((w1 * 256 + w2) * 256 + w3) * 256 + w4))
  height=$((((h1 * 256 + h2) * 256 + h3) * 256 + h4))
  [ "$width" = "$size" ] && [ "$height" = "$size" ] || fail "$png is ${width}x${height}, not ${size}x${size}"
done

# The manual page: mandoc's checker, then man-db's own formatting, without a warning.
page="$stage/usr/share/man/man1/quorvix.1.gz"
out="$(mandoc -T lint -W warning "$page" 2>&1)" || fail "mandoc -T lint: $out"
out="$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)" || fail "man -l: $out"
[ -z "$out" ] || fail "man -l: $out"
for section in SYNOPSIS CONFIGURATION FILES "EXIT STATUS"; do
  zcat "$page" | grep -qx "\.SH \"*$section\"*" || fail "the manual page has no $section section"
done
zcat "$page" | grep -q "Quorvix $version" || fail "the manual page does not name version $version"

# The staged program answers --version without a display.
out="$(env -u DISPLAY -u WAYLAND_DISPLAY "$stage/usr/bin/quorvix" --version 2>&1)" || fail "quorvix --version failed: $out"
[ "$out" = "Quorvix $version" ] || fail "quorvix --version printed '$out', not 'Quorvix $version'"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) of the installed files failed" >&2
  exit 1
fi
echo "installed files: ${#expected[@]} in place; desktop entry, metadata and manual page valid; quorvix --version: $out"
