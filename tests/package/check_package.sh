#!/usr/bin/env bash
# check_package.sh BUILD_DIR SOURCE_DIR [CPACK [DEB|RPM]]: builds the Debian package (DEB, the
# default) or the RPM of a build folder into a scratch folder and checks that it holds what the
# installed program needs: both programs, every file of the skin, the profile template, the udev
# rule (with uaccess), the desktop entry, the icons, the AppStream metadata, both forms of the
# GNOME Shell extension, the manual pages and the documentation files; that its dependencies came from the library scan and name Qt's
# platform plugin; that its scripts replay the hidraw events and leave the users' files alone;
# and that the program unpacked from it finds its skin (it renders its pages offscreen).
# The RPM also marks its licence and documentation files, places the rule in %{_udevrulesdir}
# and owns no directory but its own.
set -euo pipefail
build="$1"
source="$2"
cpack="${3:-cpack}"
format="${4:-DEB}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "check_package: $*" >&2; exit 1; }

case "$format" in
  DEB) suffix=deb ;;
  RPM) suffix=rpm ;;
  *) fail "unknown package format: $format" ;;
esac

if ! (cd "$build" && "$cpack" -G "$format" -B "$work/out") >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log" >&2
  fail "cpack -G $format failed"
fi
packages=("$work"/out/*."$suffix")
[ ${#packages[@]} -eq 1 ] && [ -f "${packages[0]}" ] || fail "expected one package, found: ${packages[*]}"
pkg="${packages[0]}"
echo "package: $(basename "$pkg"), $(stat -c %s "$pkg") bytes"

# Per format: the paths of the package's files as /usr/..., its dependencies, its scripts run
# after installing and after removing, and its tree unpacked into $work/root.
mkdir -p "$work/root"
if [ "$format" = DEB ]; then
  dpkg-deb -c "$pkg" | awk '{ sub(/^\./, "", $6); print $6 }' | sort >"$work/files"
  dpkg-deb -f "$pkg" Depends | tr ',' '\n' | sed 's/^ *//' >"$work/depends"
  dpkg-deb -I "$pkg" postinst >"$work/post" || fail "the package has no postinst"
  dpkg-deb -I "$pkg" postrm >"$work/postun" || fail "the package has no postrm"
  dpkg-deb -x "$pkg" "$work/root"
else
  rpm -qlp "$pkg" | sort >"$work/files"
  rpm -qp --requires "$pkg" >"$work/depends"
  rpm -qp --qf '%{POSTIN}' "$pkg" >"$work/post"
  rpm -qp --qf '%{POSTUN}' "$pkg" >"$work/postun"
  (cd "$work/root" && rpm2cpio "$pkg" | cpio -idm --quiet) || fail "rpm2cpio could not unpack the package"
fi

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
for uuid in program-in-front@corvalantis.org program-in-front-gnome43@corvalantis.org; do
  need+=("/usr/share/gnome-shell/extensions/$uuid/metadata.json" "/usr/share/gnome-shell/extensions/$uuid/extension.js")
done
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

# What the library scan finds, and the platform plugin that no scan can see.
echo "dependencies: $(tr '\n' ' ' <"$work/depends")"
if [ "$format" = DEB ]; then
  wanted=(libhidapi-hidraw0 libqt6widgets6 libc6 qt6-qpa-plugins)
else
  wanted=('libhidapi-hidraw.so.0()(64bit)' 'libQt6Widgets.so.6()(64bit)' 'libudev.so.1()(64bit)'
          'libc.so.6()(64bit)' '(qt6-qtbase-gui or libQt6Gui6)')
fi
for dep in "${wanted[@]}"; do
  grep -qF -- "$dep" "$work/depends" || fail "the dependencies lack $dep"
done

grep -q 'TAG+="uaccess"' "$work/root/usr/lib/udev/rules.d/70-corvalantis.rules" ||
  fail "the packaged rule has no TAG+=\"uaccess\""
grep -q 'udevadm trigger --subsystem-match=hidraw' "$work/post" ||
  fail "the script run after installing does not replay the hidraw events"
grep -q 'udevadm control --reload-rules' "$work/postun" ||
  fail "the script run after removing does not reload the udev rules"
! grep -Eq 'rm .*(HOME|/home|Documents)' "$work/post" "$work/postun" || fail "a script touches the users' files"

if [ "$format" = RPM ]; then
  # %{_udevrulesdir} where rpm knows it (systemd's macros), else its value on Fedora and openSUSE.
  rules_dir="$(rpm --eval '%{_udevrulesdir}')"
  [[ "$rules_dir" == /* ]] || rules_dir=/usr/lib/udev/rules.d
  grep -qxF "$rules_dir/70-corvalantis.rules" "$work/files" || fail "the udev rule is not in $rules_dir"
  # Into files first: grep -q leaves a pipe early, which pipefail would count as rpm's failure.
  rpm -qp --licensefiles "$pkg" >"$work/licences"
  rpm -qp --docfiles "$pkg" >"$work/docs"
  grep -qxF /usr/share/doc/corvalantis/copyright "$work/licences" ||
    fail "the copyright file is not marked as the licence"
  grep -qxF /usr/share/doc/corvalantis/changelog.gz "$work/docs" ||
    fail "the changelog is not marked as documentation"
  # The directories the package owns: its own, never one of the system's or another package's
  # (share/applications, the icon theme's folders, the udev rules folder). rpmbuild's build-id
  # links, which every package of the distribution shares, are the exception.
  rpm -qp --qf '[%{FILEMODES:perms} %{FILENAMES}\n]' "$pkg" | awk '/^d/ { print $2 }' >"$work/dirs"
  grep -qxF /usr/share/corvalantis/skin "$work/dirs" || fail "the package does not own its skin folder"
  if grep -v -e corvalantis -e '^/usr/lib/\.build-id\(/[0-9a-f][0-9a-f]\)\?$' "$work/dirs" >"$work/foreign"; then
    fail "the package owns directories that are not its own: $(tr '\n' ' ' <"$work/foreign")"
  fi
  echo "owns $(wc -l <"$work/dirs") directories, all its own"
  # Installed into an empty root and removed again, it leaves nothing of its own behind. (Without
  # its dependencies and scriptlets: the root holds no system.)
  rpm_root=(rpm --root "$work/rpmroot" --nodeps --noscripts)
  mkdir "$work/rpmroot"
  "${rpm_root[@]}" -i "$pkg" 2>"$work/rpm-i.log" || { cat "$work/rpm-i.log" >&2; fail "rpm could not install the package"; }
  [ -x "$work/rpmroot/usr/bin/corvalantis" ] || fail "rpm -i installed no program"
  "${rpm_root[@]}" -V corvalantis || fail "rpm -V finds the installed files changed"
  "${rpm_root[@]}" -e corvalantis 2>"$work/rpm-e.log" || { cat "$work/rpm-e.log" >&2; fail "rpm could not remove the package"; }
  if find "$work/rpmroot/usr" -name '*corvalantis*' | grep . >"$work/left"; then
    fail "removing the package left: $(tr '\n' ' ' <"$work/left")"
  fi
fi

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
"$work/root/usr/bin/corvalantisctl" --help >"$work/help" || fail "the packaged corvalantisctl does not run"
grep -q doctor "$work/help" || fail "the packaged corvalantisctl's help lacks its commands"
