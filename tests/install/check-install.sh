#!/usr/bin/env bash
# Installs the build into a staging root as a package build does (cmake --install with
# DESTDIR and the prefix /usr) and checks what arrived: exactly the expected files (no
# tests, benchmarks or libraries), a desktop entry and AppStream metadata that the
# desktop's own validators accept, an icon at every size the entry's Icon= names, a
# manual page that formats without a warning, and a program that starts from there: on
# its own, as from the desktop's menu, it finds the configuration installed for every user
# and opens a log.
#   check-install.sh BUILD_DIR VERSION
set -euo pipefail
build="$1"
version="$2"
stage="$(mktemp -d)"
run="$(realpath "$(mktemp -d)")"
pid=
trap '[ -z "$pid" ] || kill "$pid" 2>/dev/null || true; rm -rf "$stage" "$run"' EXIT
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

DESTDIR="$stage" cmake --install "$build" --prefix /usr >/dev/null

id=com.vostrane.quorvix
sizes=(16 32 48 64 128 256)
expected=(
  etc/xdg/Vostrane/quorvix.ini
  usr/bin/quorvix
  usr/share/quorvix/readme.txt
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

# The readme of Help > Readme names where the configuration for every user is and how to
# make one's own.
readme="$stage/usr/share/quorvix/readme.txt"
grep -q '^  cp /etc/xdg/Vostrane/quorvix.ini ~/.config/Vostrane/$' "$readme" ||
  fail "the installed readme does not say how to copy /etc/xdg/Vostrane/quorvix.ini"
! grep -q '@[A-Z_]*@' "$readme" || fail "the installed readme holds a placeholder: $(grep '@[A-Z_]*@' "$readme")"

# The first run, as from the desktop's menu: the working directory and the home are empty,
# and the system's configuration folder is the staged one. The program must find the
# configuration installed there and open the log it is given. Its text budget is nil, so
# the log is read from its file through a descriptor held while its window is open: that
# descriptor shows the window is there. The program runs until it is killed.
mkdir "$run/home" "$run/work"
printf '%s\n' "Dec  8 10:00:00 host kernel: ERROR one" "Dec  8 10:00:01 host app[7]: INFO two" >"$run/syslog"
(cd "$run/work" && exec env -u XDG_CONFIG_HOME HOME="$run/home" XDG_CONFIG_DIRS="$stage/etc/xdg" \
  QT_QPA_PLATFORM=offscreen QUORVIX_TEXT_BUDGET=0 "$stage/usr/bin/quorvix" "$run/syslog" 2>"$run/stderr") &
pid=$!
opened=no
for _ in $(seq 600); do
  kill -0 "$pid" 2>/dev/null || break
  if find "/proc/$pid/fd" -lname "$run/syslog" 2>/dev/null | grep -q .; then
    opened=yes
    break
  fi
  sleep 0.1
done
if [ "$opened" = yes ] && kill "$pid" 2>/dev/null; then
  status=0
  wait "$pid" || status=$?
  [ "$status" = 143 ] || fail "the first run ended with status $status, not by the signal it was sent"
else
  # Ended by itself, or still up without the log (a message box waiting for an answer).
  kill "$pid" 2>/dev/null || true
  status=0
  wait "$pid" || status=$?
  fail "the first run did not open its log (status $status): $(cat "$run/stderr")"
fi
pid=
! grep -q '^quorvix: ' "$run/stderr" || fail "the first run complained: $(grep '^quorvix: ' "$run/stderr")"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) of the installed files failed" >&2
  exit 1
fi
echo "installed files: ${#expected[@]} in place; desktop entry, metadata and manual page valid; quorvix --version: $out; the first run found etc/xdg/Vostrane/quorvix.ini and opened a log"
