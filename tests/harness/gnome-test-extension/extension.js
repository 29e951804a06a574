// Test-only: unlocks the Shell's Eval and Screenshot interfaces, leaves the
// overview for the desktop, and injects input through virtual devices on
// the object /io/github/quoblin/TestInput of org.gnome.Shell.
const {Clutter, Gio, GLib} = imports.gi;
const Main = imports.ui.main;

const XML = `<node><interface name="io.github.quoblin.TestInput">
  <method name="Move"><arg type="i" direction="in"/><arg type="i" direction="in"/></method>
  <method name="Button"><arg type="b" direction="in"/></method>
  <method name="Key"><arg type="u" direction="in"/><arg type="b" direction="in"/></method>
</interface></node>`;

class TestDriver {
    enable() {
        // No banners over the windows under test, such as the one saying the Shell is now unsafe.
        Main.messageTray.bannerBlocked = true;
        global.context.unsafe_mode = true;
        const seat = Clutter.get_default_backend().get_default_seat();
        this._pointer = seat.create_virtual_device(Clutter.InputDeviceType.POINTER_DEVICE);
        this._keyboard = seat.create_virtual_device(Clutter.InputDeviceType.KEYBOARD_DEVICE);
        this._object = Gio.DBusExportedObject.wrapJSObject(XML, this);
        this._object.export(Gio.DBus.session, '/io/github/quoblin/TestInput');
        if (Main.layoutManager._startingUp)
            this._startupId = Main.layoutManager.connect('startup-complete', () => Main.overview.hide());
        else
            Main.overview.hide();
    }

    disable() {
        if (this._startupId)
            Main.layoutManager.disconnect(this._startupId);
        Main.messageTray.bannerBlocked = false;
        this._object.unexport();
        this._pointer = this._keyboard = this._object = this._startupId = null;
    }

    Move(x, y) {
        this._pointer.notify_absolute_motion(GLib.get_monotonic_time(), x, y);
    }

    Button(pressed) {
        this._pointer.notify_button(GLib.get_monotonic_time(), Clutter.BUTTON_PRIMARY,
            pressed ? Clutter.ButtonState.PRESSED : Clutter.ButtonState.RELEASED);
    }

    Key(keyval, pressed) {
        this._keyboard.notify_keyval(GLib.get_monotonic_time(), keyval,
            pressed ? Clutter.KeyState.PRESSED : Clutter.KeyState.RELEASED);
    }
}

function init() {
    return new TestDriver();
}
