# %postun: once the package is gone ($1 = 0), take its udev rule out of the running udev. An
# upgrade ($1 = 1) has already reloaded the new rule in %post. The users' profiles, macros and
# autostart entries live in their home folders and are left alone.
if [ "$1" -eq 0 ] && command -v udevadm >/dev/null 2>&1 && [ -d /run/udev ]; then
    udevadm control --reload-rules || :
fi
exit 0
