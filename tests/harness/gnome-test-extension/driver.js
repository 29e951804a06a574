// Test-only: unlocks the Shell's Eval and Screenshot interfaces, leaves the
// overview for the desktop, and injects input through virtual devices on the
// object /io/github/quoblin/TestInput of org.gnome.Shell. with-gnome puts the
// entry of the Shell's module format around it, which defines Clutter, Gio,
// GLib and Main.

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
        // GNOME Shell 51 has no default backend any more; the stage's context has it.
        const backend = Clutter.get_default_backend?.() ?? global.stage.context.get_backend();
        const seat = backend.get_default_seat();
        this._pointer = seat.create_virtual_device(Clutter.InputDeviceType.POINTER_DEVICE);
        this._keyboard = seat.create_virtual_device(Clutter.InputDeviceType.KEYBOARD_DEVICE);
        this._object = Gio.DBusExportedObject.wrapJSObject(XML, this);
        this._object.export(Gio.DBus.session, '/io/github/quoblin/TestInput');
        // Input would reach the overview: 50 shows it again after start-up, 51 may enable this later.
        this._startupId = Main.layoutManager.connect('startup-complete', () => Main.overview.hide());
        this._shownId = Main.overview.connect('shown', () => Main.overview.hide());
        if (!Main.layoutManager._startingUp)
            Main.overview.hide();
    }

    disable() {
        Main.layoutManager.disconnect(this._startupId);
        Main.overview.disconnect(this._shownId);
        this._object.unexport();
    }

    Move(x, y) {
        // GNOME Shell 50 may put one coordinate of a new device's first motions at 0 (which one
        // and for how long depends on timing); the same motion again lands where it was sent.
        this._pointer.notify_absolute_motion(now(), x, y);
        this._pointer.notify_absolute_motion(now(), x, y);
    }
    Button(down) {
        // GNOME Shell 50 may count the button as held already and ignore a press ("multiple
        // virtual button presses"); a release first sets its count right (an extra one is ignored).
        if (down)
            this._pointer.notify_button(now(), Clutter.BUTTON_PRIMARY, RELEASED);
        this._pointer.notify_button(now(), Clutter.BUTTON_PRIMARY, down ? PRESSED : RELEASED);
    }
    Key(keyval, down) { this._keyboard.notify_keyval(now(), keyval, down ? PRESSED : RELEASED); }
}
