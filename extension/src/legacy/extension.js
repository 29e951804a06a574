// Entry of the build for GNOME Shell 43 and 44, which load extensions as
// legacy gjs modules.
const {Clutter, Gio, GLib, Meta, Shell, St} = imports.gi;
const Main = imports.ui.main;
const Me = imports.misc.extensionUtils.getCurrentExtension();

class Extension {
    enable() {
        this._service = Me.imports.service.createQuoblinService({Clutter, Gio, GLib, Meta, Shell, St, Main});
        this._service.enable();
    }

    disable() {
        this._service?.disable();
        this._service = null;
    }
}

function init() {
    return new Extension();
}
