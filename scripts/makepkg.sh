#!/usr/bin/env bash
# makepkg.sh OUT_DIR [PACKAGE.deb]: builds the Arch package of packaging/arch/PKGBUILD with
# makepkg from a copy of this source tree, as an unprivileged user (makepkg refuses root: run as
# root, it builds as "nobody"), with Arch's compiler flags. Puts the package into OUT_DIR and
# lists its files. Given the Debian package of the same tree, it also checks that both hold the
# same files, apart from each format's own metadata and the licence copy Arch keeps in
# /usr/share/licenses.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
out="$(mkdir -p "$1" && cd "$1" && pwd)"
deb="${2:-}"
fail() { echo "makepkg.sh: $*" >&2; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
# A copy of the sources alone (no build folders, no git data): the build user reads and writes
# only what is its own.
mkdir "$work/tree"
tar -C "$here" --exclude='./build*' --exclude=./.git --exclude=./out -cf - . | tar -C "$work/tree" -xf -
mkdir "$work/home" "$work/build" "$work/pkg"

# Arch's flags (its makepkg.conf) on top of this system's makepkg settings; Arch compresses with
# zstd.
cat >"$work/makepkg.conf" <<'EOF'
source /etc/makepkg.conf
CARCH="x86_64"
CFLAGS="-march=x86-64 -mtune=generic -O2 -pipe -fno-plt -fexceptions -Wp,-D_FORTIFY_SOURCE=2 -Wformat -Werror=format-security -fstack-clash-protection -fcf-protection"
CXXFLAGS="$CFLAGS -Wp,-D_GLIBCXX_ASSERTIONS"
LDFLAGS="-Wl,-O1 -Wl,--sort-common -Wl,--as-needed -Wl,-z,relro -Wl,-z,now"
PKGEXT='.pkg.tar.zst'
EOF

as_builder=()
if [ "$(id -u)" -eq 0 ]; then
  chown -R nobody:nogroup "$work/tree" "$work/home" "$work/build" "$work/pkg"
  as_builder=(runuser -u nobody --)
fi
# --nodeps: this is not an Arch system, so pacman knows none of the installed libraries;
# scripts/install-deps.sh installs their Debian counterparts.
if ! (cd "$work/tree/packaging/arch" &&
      "${as_builder[@]}" env HOME="$work/home" BUILDDIR="$work/build" PKGDEST="$work/pkg" \
        SRCDEST="$work/build" LOGDEST="$work/build" \
        makepkg --config "$work/makepkg.conf" --nodeps --noconfirm --force) >"$work/makepkg.log" 2>&1; then
  tail -n 60 "$work/makepkg.log" >&2
  fail "makepkg failed"
fi
packages=("$work"/pkg/*.pkg.tar.zst)
[ ${#packages[@]} -eq 1 ] && [ -f "${packages[0]}" ] || fail "expected one package, found: ${packages[*]}"
cp "${packages[0]}" "$out/"
pkg="$out/$(basename "${packages[0]}")"
echo "$(basename "$pkg"): $(stat -c %s "$pkg") bytes"

# The package's files (directories left out), as /usr/...
bsdtar -tf "$pkg" | grep -v '/$' | sed 's|^|/|' | sort >"$work/arch-files"
cat "$work/arch-files"

if [ -n "$deb" ]; then
  dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\./, "", $6); print $6 }' | sort >"$work/deb-files"
  # pacman's metadata (/.PKGINFO, /.BUILDINFO, /.MTREE, /.INSTALL) and the licence copy are Arch's own.
  grep -v -e '^/\.[A-Z]*$' -e '^/usr/share/licenses/' "$work/arch-files" >"$work/arch-common"
  grep -qxF /.PKGINFO "$work/arch-files" || fail "the package has no .PKGINFO"
  grep -qxF /usr/share/licenses/corvalantis/copyright "$work/arch-files" || fail "the package has no licence file"
  if ! diff -u "$work/deb-files" "$work/arch-common" >"$work/diff"; then
    cat "$work/diff" >&2
    fail "the Arch package and $(basename "$deb") hold different files"
  fi
  echo "the same $(wc -l <"$work/deb-files") files as $(basename "$deb")"
fi
