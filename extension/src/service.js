// The companion's D-Bus service, shared by the 43-44 and the 45+ builds of
// the extension. It is written against the modules its entry file passes in,
// so that one text serves both module formats; the 45+ build appends the
// export statement that format needs.
//
// Nothing here runs while nothing happens: no timer, no motion handler. It
// reacts to drags starting and ending, to accelerators firing, to windows
// being created and shown, and to calls.

const QUOBLIN_BUS_NAME = 'io.github.quoblin.Shell';
const QUOBLIN_OBJECT_PATH = '/io/github/quoblin/Shell';
const QUOBLIN_INTERFACE = 'io.github.quoblin.Shell1';
const QUOBLIN_INTERFACE_VERSION = 1;
// How long a placement waits for its window to be shown.
const QUOBLIN_PENDING_US = 2000 * 1000;
const QUOBLIN_MAX_PENDING = 32;
const QUOBLIN_MAX_TITLE = 1024;
const QUOBLIN_MAX_ACCELERATOR = 128;
const QUOBLIN_MAX_COORDINATE = 1 << 20;
// Modifiers and a key name. At least one modifier besides Shift: a bare key
// (or Shift and a key) would take that key from every program's typing.
const QUOBLIN_ACCELERATOR = /^(?:<(?:control|ctrl|primary|shift|alt|super|meta|hyper|mod[1-5])>)+[a-z0-9_]+$/i;
const QUOBLIN_NOT_SHIFT = /<(?!shift>)[a-z0-9]+>/i;
// What a clipboard read may ask for and bring back: a few formats, and no more
// than a message of the session bus comfortably carries.
const QUOBLIN_MAX_FORMATS = 16;
const QUOBLIN_MAX_FORMAT = 255;
const QUOBLIN_MAX_CLIPBOARD_BYTES = 64 * 1024 * 1024;
const QUOBLIN_INVALID_ARGS = 'org.freedesktop.DBus.Error.InvalidArgs';
const QUOBLIN_ACCESS_DENIED = 'org.freedesktop.DBus.Error.AccessDenied';
const QUOBLIN_FAILED = 'org.freedesktop.DBus.Error.Failed';

const QUOBLIN_INTERFACE_XML = `<node>
  <interface name="${QUOBLIN_INTERFACE}">
    <property name="Version" type="u" access="read"/>
    <method name="GetPointer">
      <arg type="i" name="x" direction="out"/>
      <arg type="i" name="y" direction="out"/>
      <arg type="b" name="leftButton" direction="out"/>
    </method>
    <signal name="DragStarted"/>
    <signal name="DragEnded"/>
    <method name="GetX11Display">
      <arg type="b" name="running" direction="out"/>
    </method>
    <signal name="X11DisplayChanged">
      <arg type="b" name="running"/>
    </signal>
    <method name="GrabAccelerator">
      <arg type="s" name="accelerator" direction="in"/>
      <arg type="u" name="action" direction="out"/>
    </method>
    <method name="UngrabAccelerator">
      <arg type="u" name="action" direction="in"/>
      <arg type="b" name="released" direction="out"/>
    </method>
    <signal name="AcceleratorActivated">
      <arg type="u" name="action"/>
    </signal>
    <method name="PlaceWindow">
      <arg type="s" name="title" direction="in"/>
      <arg type="i" name="x" direction="in"/>
      <arg type="i" name="y" direction="in"/>
      <arg type="b" name="placed" direction="out"/>
    </method>
    <signal name="WindowMoved">
      <arg type="s" name="title"/>
      <arg type="i" name="x"/>
      <arg type="i" name="y"/>
    </signal>
    <method name="GetWorkAreas">
      <arg type="a(iiiiiiii)" name="monitors" direction="out"/>
    </method>
    <method name="ReadClipboard">
      <arg type="as" name="formats" direction="in"/>
      <arg type="a{say}" name="contents" direction="out"/>
    </method>
  </interface>
</node>`;

class QuoblinShellService {
    constructor(modules) {
        this._m = modules;
        this._exported = null;
        this._nameId = 0;
        this._connections = [];
        this._dragging = false;
        // action id -> unique bus name of its grabber
        this._grabs = new Map();
        // unique bus name -> name watcher id
        this._watches = new Map();
        // window -> {previousFocus, shown, handlerIds}, for windows created while enabled
        this._windows = new Map();
        this._pending = [];
        // placed window -> unique bus name of the caller that placed it
        this._placed = new Map();
    }

    get Version() {
        return QUOBLIN_INTERFACE_VERSION;
    }

    enable() {
        const {Gio, Meta} = this._m;
        const display = global.display;
        this._exported = Gio.DBusExportedObject.wrapJSObject(QUOBLIN_INTERFACE_XML, this);
        this._exported.export(Gio.DBus.session, QUOBLIN_OBJECT_PATH);
        this._nameId = Gio.bus_own_name_on_connection(Gio.DBus.session, QUOBLIN_BUS_NAME,
            Gio.BusNameOwnerFlags.NONE, null, null);

        this._connect(display.get_selection(), 'owner-changed', (selection, type, source) => {
            if (type === Meta.SelectionType.SELECTION_DND)
                this._setDragging(source !== null);
        });
        this._followX11Display();
        this._connect(display, 'accelerator-activated', (d, action) => this._onAccelerator(action));
        this._connect(display, 'window-created', (d, window) => this._onWindowCreated(window));
        this._connect(display, 'grab-op-end', (d, window) => this._onGrabEnded(window));
    }

    disable() {
        const {Gio} = this._m;
        for (const action of [...this._grabs.keys()])
            this._ungrab(action);
        for (const id of this._watches.values())
            Gio.bus_unwatch_name(id);
        this._watches.clear();
        for (const [object, id] of this._connections)
            object.disconnect(id);
        this._connections = [];
        for (const [window, entry] of this._windows) {
            for (const id of entry.handlerIds)
                window.disconnect(id);
        }
        this._windows.clear();
        this._placed.clear();
        this._pending = [];
        this._dragging = false;
        if (this._nameId) {
            Gio.bus_unown_name(this._nameId);
            this._nameId = 0;
        }
        if (this._exported) {
            this._exported.unexport();
            this._exported = null;
        }
    }

    // --- D-Bus methods -------------------------------------------------------

    GetPointer() {
        const [x, y, mods] = global.get_pointer();
        return [x, y, (mods & this._m.Clutter.ModifierType.BUTTON1_MASK) !== 0];
    }

    // Each monitor's geometry and the part of it the panels leave to windows:
    // the compositor tells Wayland clients nothing of its panels.
    GetWorkAreasAsync(parameters, invocation) {
        this._answer(invocation, '(a(iiiiiiii))', () => {
            const workspace = global.workspace_manager.get_active_workspace();
            const monitors = [];
            for (let i = 0; i < global.display.get_n_monitors(); ++i) {
                const m = global.display.get_monitor_geometry(i);
                const w = workspace.get_work_area_for_monitor(i);
                monitors.push([m.x, m.y, m.width, m.height, w.x, w.y, w.width, w.height]);
            }
            return [monitors];
        });
    }

    GrabAcceleratorAsync([accelerator], invocation) {
        this._answer(invocation, '(u)', () => {
            if (typeof accelerator !== 'string' || accelerator.length > QUOBLIN_MAX_ACCELERATOR ||
                !QUOBLIN_ACCELERATOR.test(accelerator) || !QUOBLIN_NOT_SHIFT.test(accelerator))
                return [0];
            return [this._grab(accelerator, invocation.get_sender())];
        });
    }

    UngrabAcceleratorAsync([action], invocation) {
        this._answer(invocation, '(b)', () => {
            if (this._grabs.get(action) !== invocation.get_sender())
                return [false];
            this._ungrab(action);
            this._forgetIfIdle(invocation.get_sender());
            return [true];
        });
    }

    PlaceWindowAsync([title, x, y], invocation) {
        const {Gio, GLib} = this._m;
        if (typeof title !== 'string' || title.length === 0 || title.length > QUOBLIN_MAX_TITLE ||
            !Number.isInteger(x) || !Number.isInteger(y) ||
            Math.abs(x) > QUOBLIN_MAX_COORDINATE || Math.abs(y) > QUOBLIN_MAX_COORDINATE) {
            invocation.return_dbus_error(QUOBLIN_INVALID_ARGS,
                'PlaceWindow needs a non-empty title and coordinates on the stage');
            return;
        }
        const exported = this._exported;
        // The bus tells who is calling; asked asynchronously so that the Shell never waits on it.
        Gio.DBus.session.call('org.freedesktop.DBus', '/org/freedesktop/DBus', 'org.freedesktop.DBus',
            'GetConnectionUnixProcessID', new GLib.Variant('(s)', [invocation.get_sender()]),
            new GLib.VariantType('(u)'), Gio.DBusCallFlags.NONE, 2000, null, (connection, result) => {
                this._answer(invocation, '(b)', () => {
                    const [pid] = connection.call_finish(result).deepUnpack();
                    if (this._exported !== exported || !exported)
                        throw new Error('the service was disabled');
                    return [this._place(pid, title, x, y, invocation.get_sender())];
                });
            });
    }

    // A Wayland client is told of the clipboard only while it has the focus, which
    // the program never takes; the Shell reads it on its behalf.
    ReadClipboardAsync([formats], invocation) {
        const {St} = this._m;
        if (!Array.isArray(formats) || formats.length > QUOBLIN_MAX_FORMATS || formats.some(
            f => typeof f !== 'string' || f.length === 0 || f.length > QUOBLIN_MAX_FORMAT)) {
            invocation.return_dbus_error(QUOBLIN_INVALID_ARGS, 'ReadClipboard needs a short list of MIME types');
            return;
        }
        // The clipboard holds what the user copied, passwords included: it goes only to a
        // caller that holds accelerators here, that is a program acting on the user's keys.
        if (![...this._grabs.values()].includes(invocation.get_sender())) {
            invocation.return_dbus_error(QUOBLIN_ACCESS_DENIED,
                'Only a caller holding an accelerator may read the clipboard');
            return;
        }
        const clipboard = St.Clipboard.get_default();
        const offered = clipboard.get_mimetypes(St.ClipboardType.CLIPBOARD);
        const wanted = formats.filter((f, i) => offered.includes(f) && formats.indexOf(f) === i);
        const contents = {};
        let total = 0;
        // One format at a time, in the caller's order of preference, until the cap.
        const next = () => {
            const format = wanted.shift();
            if (format === undefined) {
                this._answer(invocation, '(a{say})', () => [contents]);
                return;
            }
            clipboard.get_content(St.ClipboardType.CLIPBOARD, format, (c, bytes) => {
                const data = bytes?.get_data();
                if (data && total + data.length <= QUOBLIN_MAX_CLIPBOARD_BYTES) {
                    total += data.length;
                    contents[format] = data;
                }
                next();
            });
        };
        next();
    }

    // --- drags -----------------------------------------------------------------

    _setDragging(dragging) {
        if (dragging === this._dragging)
            return;
        this._dragging = dragging;
        this._exported?.emit_signal(dragging ? 'DragStarted' : 'DragEnded', null);
    }

    // --- XWayland ---------------------------------------------------------------

    // An X11 client's drag does not show in the selection above: the program
    // watches XWayland's display itself, and only while it runs, since a
    // connection would start an XWayland started on demand.
    _followX11Display() {
        const display = global.display;
        const tell = running => this._exported?.emit_signal('X11DisplayChanged',
            new this._m.GLib.Variant('(b)', [running]));
        this._connect(display, 'x11-display-opened', () => tell(true));
        this._connect(display, 'x11-display-closing', () => tell(false));
    }

    // Of its X11 display the Shell tells extensions only whether it offers an
    // X extension; XWayland always offers XFIXES, which the program needs.
    GetX11Display() {
        return this._m.Shell.util_has_x11_display_extension?.(global.display, 'XFIXES') ?? false;
    }

    // --- accelerators ------------------------------------------------------------

    _grab(accelerator, sender) {
        const {Gio, Meta, Shell, Main} = this._m;
        const flags = Meta.KeyBindingFlags.IGNORE_AUTOREPEAT ?? Meta.KeyBindingFlags.NONE;
        const action = global.display.grab_accelerator(accelerator, flags);
        if (!action)
            return 0;
        Main.wm.allowKeybinding(Meta.external_binding_name_for_action(action),
            Shell.ActionMode.NORMAL | Shell.ActionMode.OVERVIEW);
        this._grabs.set(action, sender);
        if (!this._watches.has(sender)) {
            // Fires at once when the name is already gone, so a grab cannot outlive its caller.
            this._watches.set(sender, Gio.bus_watch_name_on_connection(Gio.DBus.session, sender,
                Gio.BusNameWatcherFlags.NONE, null, () => this._releaseAllOf(sender)));
        }
        return action;
    }

    _ungrab(action) {
        const {Meta, Shell, Main} = this._m;
        this._grabs.delete(action);
        global.display.ungrab_accelerator(action);
        Main.wm.allowKeybinding(Meta.external_binding_name_for_action(action), Shell.ActionMode.NONE);
    }

    _releaseAllOf(sender) {
        for (const [action, owner] of [...this._grabs]) {
            if (owner === sender)
                this._ungrab(action);
        }
        this._forgetIfIdle(sender);
    }

    _forgetIfIdle(sender) {
        if ([...this._grabs.values()].includes(sender))
            return;
        const id = this._watches.get(sender);
        if (id !== undefined) {
            this._m.Gio.bus_unwatch_name(id);
            this._watches.delete(sender);
        }
    }

    _onAccelerator(action) {
        const owner = this._grabs.get(action);
        if (!owner)
            return;
        this._m.Gio.DBus.session.emit_signal(owner, QUOBLIN_OBJECT_PATH, QUOBLIN_INTERFACE,
            'AcceleratorActivated', new this._m.GLib.Variant('(u)', [action]));
    }

    // --- window placement ----------------------------------------------------------

    _onWindowCreated(window) {
        // A new window takes the focus when it maps; remember who had it to hand it back.
        const entry = {previousFocus: global.display.focus_window, shown: false, handlerIds: []};
        entry.handlerIds.push(window.connect('shown', () => this._onWindowShown(window)));
        entry.handlerIds.push(window.connect('unmanaged', () => this._onWindowUnmanaged(window)));
        this._windows.set(window, entry);
    }

    _onWindowShown(window) {
        const entry = this._windows.get(window);
        if (entry)
            entry.shown = true;
        this._dropExpired();
        const index = this._pending.findIndex(p => this._matches(window, p.pid, p.title));
        if (index < 0)
            return;
        const [request] = this._pending.splice(index, 1);
        this._apply(window, request.x, request.y, request.sender);
    }

    _onWindowUnmanaged(window) {
        const entry = this._windows.get(window);
        if (entry) {
            for (const id of entry.handlerIds)
                window.disconnect(id);
        }
        this._windows.delete(window);
        this._placed.delete(window);
        for (const other of this._windows.values()) {
            if (other.previousFocus === window)
                other.previousFocus = null;
        }
    }

    _matches(window, pid, title) {
        return window.get_pid() === pid && window.get_title() === title;
    }

    _isMapped(window) {
        const entry = this._windows.get(window);
        return entry ? entry.shown : !window.is_hidden();
    }

    _place(pid, title, x, y, sender) {
        const window = global.get_window_actors().map(a => a.meta_window)
            .find(w => this._matches(w, pid, title) && this._isMapped(w));
        if (window) {
            this._apply(window, x, y, sender);
            return true;
        }
        this._dropExpired();
        // A newer request for the same window replaces the older one.
        this._pending = this._pending.filter(p => p.pid !== pid || p.title !== title);
        if (this._pending.length >= QUOBLIN_MAX_PENDING)
            this._pending.shift();
        this._pending.push({pid, title, x, y, sender, deadline: this._m.GLib.get_monotonic_time() + QUOBLIN_PENDING_US});
        return false;
    }

    _dropExpired() {
        const now = this._m.GLib.get_monotonic_time();
        this._pending = this._pending.filter(p => p.deadline > now);
    }

    _apply(window, x, y, sender) {
        if (!this._windows.has(window)) { // made before the extension was turned on
            this._onWindowCreated(window);
            this._windows.get(window).shown = true;
        }
        this._placed.set(window, sender);
        window.make_above();
        window.stick();
        window.move_frame(true, x, y);
        const previous = this._windows.get(window)?.previousFocus;
        const stillThere = previous && global.get_window_actors().some(a => a.meta_window === previous);
        if (stillThere && previous !== window && global.display.focus_window === window)
            previous.activate(global.get_current_time());
    }

    // A Wayland client never learns where its windows are: when the user has
    // moved (or resized) a placed window, its placer is told where it ended.
    _onGrabEnded(window) {
        const owner = window ? this._placed.get(window) : undefined;
        if (!owner)
            return;
        const r = window.get_frame_rect();
        this._m.Gio.DBus.session.emit_signal(owner, QUOBLIN_OBJECT_PATH, QUOBLIN_INTERFACE,
            'WindowMoved', new this._m.GLib.Variant('(sii)', [window.get_title() ?? '', r.x, r.y]));
    }

    // --- plumbing ----------------------------------------------------------------

    _connect(object, signal, handler) {
        this._connections.push([object, object.connect(signal, handler)]);
    }

    // Answers a call with what compute() returns; a failure becomes a D-Bus error, never an exception in the Shell.
    _answer(invocation, signature, compute) {
        let value;
        try {
            value = new this._m.GLib.Variant(signature, compute());
        } catch (e) {
            logError(e, 'quoblin-shell');
            invocation.return_dbus_error(QUOBLIN_FAILED, String(e?.message ?? e));
            return;
        }
        invocation.return_value(value);
    }
}

function createQuoblinService(modules) {
    return new QuoblinShellService(modules);
}
