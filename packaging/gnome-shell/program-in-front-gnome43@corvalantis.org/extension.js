// Tells corvalantis which program is in front (GNOME Shell 43 and 44, a legacy extension).
// Each time the focus moves to another window, and once when enabled, it emits
// org.corvalantis.Foreground.FocusChanged(u pid, s appId) on the session bus from the
// shell's own connection: the program believes only the owner of org.gnome.Shell. A pid of 0
// and an empty app id mean that no window has the focus. It also serves Current() with the
// same pair, for a program that starts after the shell. The same code for GNOME 45 and later
// is in program-in-front@corvalantis.org.
/* exported init */
const {Gio, GLib, Shell} = imports.gi;

const OBJECT_PATH = '/org/corvalantis/Foreground';
const INTERFACE = 'org.corvalantis.Foreground';
const INTERFACE_XML = `<node>
  <interface name="${INTERFACE}">
    <method name="Current">
      <arg type="u" name="pid" direction="out"/>
      <arg type="s" name="appId" direction="out"/>
    </method>
    <signal name="FocusChanged">
      <arg type="u" name="pid"/>
      <arg type="s" name="appId"/>
    </signal>
  </interface>
</node>`;

// The window's class (the Wayland app id, or the X11 WM_CLASS: "steam_app_N" for a Steam
// game), else the id of the application the shell matched it to, without ".desktop".
function appIdOf(window) {
    const windowClass = window.get_wm_class();
    if (windowClass)
        return windowClass;
    const app = Shell.WindowTracker.get_default().get_window_app(window);
    const id = app ? app.get_id() : null;
    if (!id || id.startsWith('window:'))
        return '';
    return id.endsWith('.desktop') ? id.slice(0, -'.desktop'.length) : id;
}

function windowInFront() {
    const window = global.display.focus_window;
    if (!window)
        return [0, ''];
    const pid = window.get_pid();
    return [pid > 0 ? pid : 0, appIdOf(window)];
}

class ProgramInFrontExtension {
    enable() {
        this._service = Gio.DBusExportedObject.wrapJSObject(INTERFACE_XML, {
            Current: () => windowInFront(),
        });
        this._service.export(Gio.DBus.session, OBJECT_PATH);
        this._focusHandler = global.display.connect('notify::focus-window', () => this._tell());
        this._told = null;
        this._tell();
    }

    disable() {
        global.display.disconnect(this._focusHandler);
        this._focusHandler = 0;
        this._service.unexport();
        this._service = null;
        this._told = null;
    }

    _tell() {
        const [pid, appId] = windowInFront();
        const key = `${pid}\n${appId}`;
        if (key === this._told)
            return;
        this._told = key;
        Gio.DBus.session.emit_signal(null, OBJECT_PATH, INTERFACE, 'FocusChanged',
            new GLib.Variant('(us)', [pid, appId]));
    }
}

function init() {
    return new ProgramInFrontExtension();
}
