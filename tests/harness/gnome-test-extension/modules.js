import Clutter from 'gi://Clutter';
import Gio from 'gi://Gio';
import GLib from 'gi://GLib';
import * as Main from 'resource:///org/gnome/shell/ui/main.js';
import {Extension} from 'resource:///org/gnome/shell/extensions/extension.js';
//@driver
export default class extends Extension {
    enable() { (this._driver = new TestDriver()).enable(); }
    disable() { this._driver.disable(); }
}
