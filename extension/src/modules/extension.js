// Entry of the build for GNOME Shell 45 and later, which load extensions as
// ES modules.
import Clutter from 'gi://Clutter';
import Gio from 'gi://Gio';
import GLib from 'gi://GLib';
import Meta from 'gi://Meta';
import Shell from 'gi://Shell';
import St from 'gi://St';
import * as Main from 'resource:///org/gnome/shell/ui/main.js';
import {Extension} from 'resource:///org/gnome/shell/extensions/extension.js';

import {createQuoblinService} from './service.js';

export default class QuoblinShellExtension extends Extension {
    enable() {
        this._service = createQuoblinService({Clutter, Gio, GLib, Meta, Shell, St, Main});
        this._service.enable();
    }

    disable() {
        this._service?.disable();
        this._service = null;
    }
}
