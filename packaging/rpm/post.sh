# %post: the new udev rule applies to a mouse that is already plugged in. Reload the rules and
# replay the hidraw devices' events, so the user at the seat gets access without a re-plug.
# Runs on a first install ($1 = 1) and on an upgrade ($1 = 2) alike: the rule may have changed.
if command -v udevadm >/dev/null 2>&1 && [ -d /run/udev ]; then
    udevadm control --reload-rules || :
    udevadm trigger --subsystem-match=hidraw --action=change || :
fi
exit 0
