#!/usr/bin/env bash
# check_package.sh BUILD_DIR SOURCE_DIR [CPACK]: builds the Debian package of a build folder into a
# scratch folder and checks that it holds what the installed program needs: both programs,
# every file of the skin, the profile template, the udev rule (with uaccess), the desktop
# entry, the icons, the AppStream metadata and Debian's documentation files; that its
# dependencies came from the library scan; that its postinst replays the hidraw events; and
# that the program unpacked from it finds its skin (it renders its pages offscreen).
set -euo pipefail
build="$1"
source="$2"
cpack="${3:-cpack}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "check_package: $*" >&2; exit 1; }

if ! (cd "$build" && "$cpack" -G DEB -B "$work/out") >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log" >&2
  fail "cpack -G DEB failed"
fi
debs=("$work"/out/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one package, found: ${debs[*]}"
deb="${debs[0]}"
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"

# The paths of the package's files, as /usr/...
dpkg-deb -c "$deb" | awk '{ sub(/^\./, "", $6); print $6 }' | sort >"$work/files"

need=(
  /usr/bin/corvalantis
  /usr/bin/corvalantisctl
  /usr/share/corvalantis/default.pro
  /usr/lib/udev/rules.d/70-corvalantis.rules
  /usr/share/applications/org.corvalantis.Corvalantis.desktop
  /usr/share/metainfo/org.corvalantis.Corvalantis.metainfo.xml
  /usr/share/icons/hicolor/scalable/apps/corvalantis.svg
  /usr/share/doc/corvalantis/copyright
  /usr/share/doc/corvalantis/changelog.gz
  /usr/share/man/man1/corvalantis.1.gz
  /usr/share/man/man1/corvalantisctl.1.gz
)
for size in 16 22 24 32 48 64 128 256; do
  need+=("/usr/share/icons/hicolor/${size}x${size}/apps/corvalantis.png")
done
while IFS= read -r f; do
  need+=("/usr/share/corvalantis/skin/${f#./}")
done < <(cd "$source/skin" && find . -type f | sort)
[ ${#need[@]} -gt 30 ] || fail "the skin folder looks empty"

missing=0
for f in "${need[@]}"; do
  if ! grep -qxF "$f" "$work/files"; then
    echo "missing from the package: $f" >&2
    missing=$((missing + 1))
  fi
done
[ $missing -eq 0 ] || fail "$missing file(s) missing"
echo "all ${#need[@]} needed files are in the package"

depends="$(dpkg-deb -f "$deb" Depends)"
echo "Depends: $depends"
for lib in libhidapi-hidraw0 libqt6widgets6 libc6 qt6-qpa-plugins; do
  [[ "$depends" == *"$lib"* ]] || fail "Depends lacks $lib"
done

dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/lib/udev/rules.d/70-corvalantis.rules >"$work/rule"
grep -q 'TAG+="uaccess"' "$work/rule" || fail "the packaged rule has no TAG+=\"uaccess\""
dpkg-deb -I "$deb" postinst >"$work/postinst" || fail "the package has no postinst"
grep -q 'udevadm trigger --subsystem-match=hidraw' "$work/postinst" || fail "the postinst does not replay the hidraw events"
dpkg-deb -I "$deb" postrm >"$work/postrm" || fail "the package has no postrm"
! grep -Eq 'rm .*(HOME|/home|Documents)' "$work/postrm" || fail "the postrm touches the users' files"

dpkg-deb -x "$deb" "$work/root"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$work/root/usr/share/applications/org.corvalantis.Corvalantis.desktop" ||
    fail "desktop-file-validate refused the desktop entry"
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$work/root/usr/share/metainfo/org.corvalantis.Corvalantis.metainfo.xml" ||
    fail "appstreamcli refused the metainfo"
fi

# The unpacked program finds its skin and template below its own prefix.
mkdir -p "$work/home"
if ! HOME="$work/home" XDG_CONFIG_HOME= QT_QPA_PLATFORM=offscreen \
     "$work/root/usr/bin/corvalantis" --screenshots="$work/shots" >"$work/shots.log" 2>&1; then
  cat "$work/shots.log" >&2
  fail "the packaged program did not render its pages"
fi
shots=$(find "$work/shots" -name '*.png' | wc -l)
[ "$shots" -gt 0 ] || fail "the packaged program rendered no page"
echo "the packaged program rendered $shots pages from its installed skin"
"$work/root/usr/bin/corvalantisctl" --help | grep -q doctor || fail "the packaged corvalantisctl does not run"
