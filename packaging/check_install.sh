#!/bin/sh
# Installs the build into a scratch DESTDIR and checks the layout, the launcher and the
# desktop files. Usage: check_install.sh <build folder>
set -eu
build=$1
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null
p=$root/usr
fail() { echo "FAIL: $*" >&2; exit 1; }
for f in lib/zor-browser/zor-browser lib/zor-browser/default.tb2 lib/zor-browser/lng.ini \
         lib/zor-browser/Browser.ini lib/zor-browser/INSTALLED lib/zor-browser/snavel lib/zor-browser/Requires/libcorvane.so lib/zor-browser/Requires/libcarrowel.so \
         share/applications/zor-browser.desktop share/metainfo/io.github.zor_browser.ZorBrowser.metainfo.xml \
         share/icons/hicolor/scalable/apps/zor-browser.svg; do
  [ -e "$p/$f" ] || fail "$f is not installed"
done
if [ -d "$build/packaging/icons" ]; then
  [ -s "$p/share/icons/hicolor/48x48/apps/zor-browser.png" ] || fail "the generated icon sizes are not installed"
fi
for f in LastPages.ini Temp.txt SavedFiles; do
  [ ! -e "$p/lib/zor-browser/$f" ] || fail "the build's $f is installed"
done
[ "$(readlink -f "$p/bin/zor-browser")" = "$(readlink -f "$p/lib/zor-browser/zor-browser")" ] ||
  fail "bin/zor-browser does not lead to the program"
[ -x "$p/bin/zor-browser" ] || fail "the launcher cannot be run"
grep -q '^Exec=zor-browser %u$' "$p/share/applications/zor-browser.desktop" || fail "Exec takes no address"
appstreamcli validate --no-net "$p/share/metainfo/io.github.zor_browser.ZorBrowser.metainfo.xml" ||
  fail "metainfo does not validate"
desktop-file-validate "$p/share/applications/zor-browser.desktop" || fail "desktop entry does not validate"
echo "install layout ok"
