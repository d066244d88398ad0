#!/usr/bin/env python3
"""The window as a screen reader and a keyboard-only user meet it, through AT-SPI itself.

atspi_check.py PROGRAM SKIN_DIR WORK_DIR

Runs the program on the virtual mouse on a private Xvfb, with the accessibility bus of a
private D-Bus session (at-spi-bus-launcher), and checks:
- every page: no interactive control that is showing is without an accessible name;
- the DPI page: Tab reaches every enabled control that is showing, and Shift+Tab goes back;
- keyboard alone: Tab to a DPI stage button, the Right arrow selects the next stage, and the
  stage reaches the virtual mouse (a new request in the frame log).
Prints the counts per page. Exit 0 when everything held, 1 otherwise.
"""
import os
import shutil
import subprocess
import sys
import time
import xml.etree.ElementTree as ET

# The pages of the side bar (the calibration's display page is reached through the sensor page).
PAGES = ["ms_deng_Op_tab", "ms_macro_Op_tab", "ms_rich_Op_tab", "ms_dengxiao_tb",
         "ms_ma_Op_tab", "ms_regulat_Op_tab", "ms_statis_Op_tab"]


def wait_until(what, condition, seconds=20.0):
    """Returns condition()'s first true value; fails the run after `seconds`."""
    end = time.monotonic() + seconds
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > end:
            raise SystemExit("atspi: timed out waiting for " + what)
        time.sleep(0.05)


def relaunch_in_private_session():
    if os.environ.get("CORV_ATSPI_INNER") == "1":
        return
    env = dict(os.environ, CORV_ATSPI_INNER="1")
    for name in ("AT_SPI_BUS_ADDRESS", "DISPLAY", "WAYLAND_DISPLAY"):
        env.pop(name, None)
    sys.exit(subprocess.call(["dbus-run-session", "--", sys.executable] + sys.argv, env=env))


def start_xvfb():
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                            pass_fds=(write_end,), stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as f:
        display = f.readline().strip()
    if not display:
        raise SystemExit("atspi: Xvfb did not start")
    return xvfb, ":" + display


def language_texts(skin_dir, file):
    texts = {}
    for element in ET.parse(os.path.join(skin_dir, file)).getroot():
        if element.tag == "Text":
            texts[element.get("id")] = element.get("value")
    return texts


def main():
    relaunch_in_private_session()
    program, skin_dir, work = sys.argv[1], sys.argv[2], sys.argv[3]
    shutil.rmtree(work, ignore_errors=True)
    home = os.path.join(work, "home")
    runtime = os.path.join(work, "run")
    os.makedirs(home)
    os.makedirs(runtime, mode=0o700)
    frames = os.path.join(work, "frames.txt")

    launcher = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    xvfb, display = start_xvfb()
    env = dict(os.environ, DISPLAY=display, HOME=home, XDG_RUNTIME_DIR=runtime, QT_QPA_PLATFORM="xcb",
               QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1", ASAN_OPTIONS="detect_leaks=0")
    env.pop("XDG_CONFIG_HOME", None)
    env.pop("XDG_DATA_HOME", None)
    app = subprocess.Popen([program, "--virtual-mouse=R210", "--frame-log=" + frames], env=env)
    try:
        return check(app, env, skin_dir, frames)
    finally:
        app.terminate()
        try:
            app.wait(10)
        except subprocess.TimeoutExpired:
            app.kill()
        xvfb.terminate()
        launcher.terminate()


# Roles a person operates; each needs a name, and (when enabled) the keyboard's focus.
INTERACTIVE = {"push button", "toggle button", "check box", "radio button", "combo box", "slider",
               "spin button", "text", "entry", "password text", "list", "page tab"}


def check(app, env, skin_dir, frames):
    import pyatspi
    from gi.repository import Gio, GLib
    bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)

    def application():
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            a = desktop.getChildAtIndex(i)
            if a is not None and a.get_process_id() == app.pid:
                return a
        return None

    cn = language_texts(skin_dir, "lan_cn.xml")
    acc_app = wait_until("the program on the accessibility bus", application)
    main_window = wait_until("the main window", lambda: next(
        (w for w in acc_app if w is not None and (w.name or "") == "CORVALANTIS R210 Driver"), None), 30)

    def presented():
        # The window has that title before the mouse is connected; presenting the mouse
        # shows the first page, which would switch the page under the checks that follow.
        try:
            visible, connected = bus.call_sync(
                "org.corvalantis.Utility", "/org/corvalantis/Utility", "org.corvalantis.Utility", "GetState",
                None, GLib.VariantType.new("(bb)"), Gio.DBusCallFlags.NONE, 2000, None).unpack()
            return connected
        except GLib.Error:
            return False  # not on the bus yet

    wait_until("the mouse presented in the window", presented, 30)

    def other_window():
        acc_app.clear_cache()
        return next((w for w in acc_app if w is not None and w.name != main_window.name and
                     w.getState().contains(pyatspi.STATE_SHOWING)), None)

    def showing_controls(window=None, enabled_only=False):
        acc_app.clear_cache()  # states change as pages switch: read them anew
        out = []

        def walk(node, depth):
            if node is None or depth > 40:
                return
            states = node.getState()
            if not states.contains(pyatspi.STATE_SHOWING):
                return
            if node.getRoleName() in INTERACTIVE and not (
                    node.getRoleName() == "text" and not states.contains(pyatspi.STATE_EDITABLE)):
                if not enabled_only or states.contains(pyatspi.STATE_ENABLED):
                    out.append(node)
                    if node.getRoleName() in ("combo box", "list"):
                        return  # its items are its own
            for child in node:
                walk(child, depth + 1)

        walk(window or main_window, 0)
        return out

    def press(name_id):
        name = cn[name_id]
        target = next((c for c in showing_controls() if c.name == name), None)
        if target is None:
            raise SystemExit("atspi: no control named " + name)
        press_control(target)

    def press_control(target):
        name = target.name
        action = target.queryAction()
        names = [action.getName(i) for i in range(action.nActions)]
        press_at = next((i for i, n in enumerate(names) if n.lower() in ("press", "toggle", "click")), None)
        if press_at is None:
            raise SystemExit("atspi: %s cannot be pressed (actions %s)" % (name, names))
        action.doAction(press_at)

    failures = []
    counts = {}
    def close_message_box(after):
        box = other_window()
        if box is None:
            return False
        box_controls = showing_controls(box)
        for c in box_controls:
            if not (c.name or "").strip():
                failures.append("message box after %s: a %s without a name" % (after, c.getRoleName()))
        print("atspi: %-18s a message box: %d interactive" % (after, len(box_controls)))
        buttons = [c for c in box_controls if c.getRoleName() == "push button"]
        if buttons:
            press_control(buttons[0])
        wait_until("the message box to close", lambda: other_window() is None, 10)
        return True

    # The start may greet with a message box (no system tray on this desktop).
    close_message_box("start")
    for page in PAGES:
        try:
            press(page)
        except SystemExit as missing:
            failures.append("page %s: %s" % (page, missing))
            continue
        # A page may answer with a message box instead (a page the model does not have): its
        # controls need names as well, and its button closes it.
        shown = wait_until(page + " shown", lambda: other_window() or any(
            c.name == cn[page] and c.getState().contains(pyatspi.STATE_CHECKED) for c in showing_controls()))
        if shown is not True:
            close_message_box(page)
            continue
        controls = showing_controls()
        unnamed = [c for c in controls if not (c.name or "").strip()]
        focusable = [c for c in controls if c.getState().contains(pyatspi.STATE_FOCUSABLE)]
        counts[page] = (len(controls), len(unnamed), len(focusable))
        print("atspi: %-18s %3d interactive, %3d without a name, %3d focusable" % ((page,) + counts[page]))
        if os.environ.get("CORV_ATSPI_DUMP"):
            for c in controls:
                print("   %s %r at %s" % (c.getRoleName(), c.name, c.queryComponent().getPosition(pyatspi.WINDOW_COORDS)))
        for c in unnamed:
            failures.append("page %s: a %s without a name (%s)" % (page, c.getRoleName(), c.description))

    # The DPI page with the keyboard: the window takes the keyboard, then Tab goes round.
    press("ms_deng_Op_tab")
    subprocess.check_call(["xdotool", "search", "--sync", "--onlyvisible", "--pid", str(app.pid), "--name",
                           "CORVALANTIS", "windowfocus"], env=env, stdout=subprocess.DEVNULL)

    def focused():
        for c in showing_controls():
            if c.getState().contains(pyatspi.STATE_FOCUSED):
                return c
        return None

    def key(*keys):
        subprocess.check_call(["xdotool", "key", "--clearmodifiers"] + list(keys), env=env)

    def where(c):
        # A control's name may follow its value (a combo): its place says which one it is.
        return (c.getRoleName(), c.queryComponent().getPosition(pyatspi.DESKTOP_COORDS))

    # Every control a person can operate: enabled and taking input (a control the program
    # shows but makes take no input, such as a switch it drives itself, is not focusable).
    wanted = {where(c) for c in showing_controls(None, enabled_only=True)
              if c.getState().contains(pyatspi.STATE_FOCUSABLE)}

    def tab(keys="Tab"):
        before = focused()
        key(keys)
        return wait_until("the focus to move on " + keys, lambda: (
            lambda f: f if f is not None and (before is None or where(f) != where(before)) else None)(focused()), 5)

    first = tab()
    order = [where(first)]
    for _ in range(len(wanted) + 20):
        now = tab()
        if where(now) == order[0]:
            break
        order.append(where(now))
    missed = wanted - set(order)
    if os.environ.get("CORV_ATSPI_DUMP"):
        print("atspi: Tab order: %s" % order)
    print("atspi: Tab reaches %d of %d enabled controls on the DPI page" % (len(wanted) - len(missed), len(wanted)))
    for m in sorted(missed, key=str):
        failures.append("Tab never reaches the %s at %s" % m)
    # The focus is on the first again: Shift+Tab goes to the last.
    back = tab("shift+Tab")
    if where(back) != order[-1]:
        failures.append("Shift+Tab from %s goes to %s, not %s" % (order[0], where(back), order[-1]))

    # Keyboard alone: Tab to the second stage, Right selects the third; the mouse hears of it.
    stage = "DPI 2"
    for _ in range(len(order) + 2):
        f = focused()
        if f is not None and f.name == stage:
            break
        tab()
    else:
        failures.append("Tab never reaches " + stage)

    def requests():
        with open(frames) as f:
            return sum(1 for line in f if line.startswith("> "))

    sent = requests()
    key("Right")
    wait_until("the stage to reach the virtual mouse", lambda: requests() > sent, 10)
    f = focused()
    if f is None or f.name != "DPI 3":
        failures.append("Right on DPI 2 leaves the focus on %r, not on DPI 3" % (f.name if f else None))

    for failure in failures:
        print("atspi: FAILED: " + failure)
    print("atspi: %s" % ("every check held" if not failures else "%d failures" % len(failures)))
    return 0 if not failures else 1


if __name__ == "__main__":
    sys.exit(main())
