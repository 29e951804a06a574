// Test-only: unlocks the Shell's Eval and Screenshot interfaces, leaves the
// overview for the desktop, and injects input through virtual devices on the
// object /io/github/quoblin/TestInput of org.gnome.Shell.
const {Clutter, Gio, GLib} = imports.gi;
const Main = imports.ui.main;

const XML = `<node><interface name="io.github.quoblin.TestInput">
  <method name="Move"><arg type="i" direction="in"/><arg type="i" direction="in"/></method>
  <method name="Button"><arg type="b" direction="in"/></method>
  <method name="Key"><arg type="u" direction="in"/><arg type="b" direction="in"/></method>
</interface></node>`;
const now = () => GLib.get_monotonic_time();
const {PRESSED, RELEASED} = Clutter.ButtonState; // the same values as Clutter.KeyState's

class TestDriver {
    enable() {
        Main.messageTray.bannerBlocked = true; // no banner (such as "unsafe mode") over the windows
        global.context.unsafe_mode = true;
        const seat = Clutter.get_default_backend().get_default_seat();
        this._pointer = seat.create_virtual_device(Clutter.InputDeviceType.POINTER_DEVICE);
        this._keyboard = seat.create_virtual_device(Clutter.InputDeviceType.KEYBOARD_DEVICE);
        this._object = Gio.DBusExportedObject.wrapJSObject(XML, this);
        this._object.export(Gio.DBus.session, '/io/github/quoblin/TestInput');
        this._startupId = Main.layoutManager.connect('startup-complete', () => Main.overview.hide());
    }

    disable() {
        Main.layoutManager.disconnect(this._startupId);
        this._object.unexport();
    }

    Move(x, y) { this._pointer.notify_absolute_motion(now(), x, y); }
    Button(down) { this._pointer.notify_button(now(), Clutter.BUTTON_PRIMARY, down ? PRESSED : RELEASED); }
    Key(keyval, down) { this._keyboard.notify_keyval(now(), keyval, down ? PRESSED : RELEASED); }
}

function init() {
    return new TestDriver();
}
