const {Clutter, Gio, GLib} = imports.gi;
const Main = imports.ui.main;
//@driver
function init() { return new TestDriver(); }
