#!/bin/sh
# Builds the Debian package from a built tree (no new build) and checks its control data, its
# contents and that the unpacked launcher leads to the program. Usage: check_deb.sh <build folder>
set -eu
build=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
# gzip: a test build's program is large and xz would take minutes.
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" -D CPACK_DEBIAN_COMPRESSION_TYPE=gzip >"$out/cpack.log" 2>&1 ||
  { cat "$out/cpack.log" >&2; fail "cpack did not build the package"; }
set -- "$out"/zor-browser_*.deb
[ -f "$1" ] || fail "no zor-browser .deb was made"
deb=$1
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = zor-browser ] || fail "package name is $(field Package)"
[ "$(field Section)" = web ] || fail "section is $(field Section)"
[ -n "$(field Maintainer)" ] || fail "no maintainer"
[ -n "$(field Description)" ] || fail "no description"
depends=$(field Depends)
for lib in libwebkitgtk-6.0-4 libgtkmm-4.0; do
  case "$depends" in *"$lib"*) ;; *) fail "Depends lacks $lib: $depends" ;; esac
done
dpkg-deb -I "$deb" >/dev/null || fail "dpkg-deb cannot read the control data"
contents=$(dpkg-deb -c "$deb")
for f in ./usr/bin/zor-browser ./usr/lib/zor-browser/ ./usr/lib/zor-browser/zor-browser \
         ./usr/lib/zor-browser/default.tb2 ./usr/share/applications/zor-browser.desktop \
         ./usr/share/metainfo/io.github.zor_browser.ZorBrowser.metainfo.xml \
         ./usr/share/icons/hicolor/scalable/apps/zor-browser.svg; do
  echo "$contents" | awk '{print $6}' | grep -qxF "$f" || fail "$f is not in the package"
done
dpkg-deb -x "$deb" "$out/root"
[ "$(readlink -f "$out/root/usr/bin/zor-browser")" = "$(readlink -f "$out/root/usr/lib/zor-browser/zor-browser")" ] ||
  fail "usr/bin/zor-browser does not lead to the program"
echo "debian package ok: $(basename "$deb"), Depends: $depends"
