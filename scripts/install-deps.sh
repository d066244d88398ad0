#!/usr/bin/env bash
# Installs what building, running and testing need on Debian 12 (run as root).
# Only missing packages are installed; a machine that has them all is left alone.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git ccache
  clang libclang-rt-14-dev clang-format-14
  libhidapi-dev libudev-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-tools-dev libqt6opengl6-dev libgl1-mesa-dev libx11-dev libxi-dev libxcb1-dev
  libxcb-record0-dev libxcb-xtest0-dev libxcb-res0-dev nlohmann-json3-dev
  libwayland-dev libwayland-bin
  libglib2.0-dev gsettings-desktop-schemas dbus-daemon
  xvfb xauth fonts-noto-cjk fonts-dejavu-core
  at-spi2-core python3-pyatspi gir1.2-atspi-2.0 xdotool
  openbox sway foot xwayland x11-xserver-utils kwin-wayland qt6-wayland
  dpkg-dev file lintian desktop-file-utils appstream
  rpm rpm2cpio cpio rpmlint
  pacman-package-manager makepkg fakeroot libarchive-tools zstd
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

# sway refuses to run as root: the desktop tests start it as this unprivileged user.
test_user=corv-desktop-test
need_user=0
if [ "$(id -u)" -eq 0 ] && ! id "$test_user" >/dev/null 2>&1; then need_user=1; fi

if [ ${#missing[@]} -eq 0 ] && [ $need_user -eq 0 ]; then
  echo "install-deps: everything is installed"
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: missing packages: ${missing[*]}" >&2
  echo "install-deps: run as root (or: sudo apt-get install ${missing[*]})" >&2
  exit 1
fi

if [ $need_user -eq 1 ]; then
  echo "install-deps: creating the user $test_user for the desktop tests"
  useradd --system --no-create-home --shell /usr/sbin/nologin "$test_user"
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
