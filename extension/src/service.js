// The companion's D-Bus service, shared by the 43-44 and the 45+ builds of
// the extension. It is written against the modules its entry file passes in,
// so that one text serves both module formats; the 45+ build appends the
// export statement that format needs.
//
// Nothing here runs while nothing happens: no timer, and a motion handler only
// while a drag goes on. It reacts to drags starting and ending, to the pointer
// moving during a drag, to accelerators firing, to windows being created and
// shown, to the work areas changing, and to calls.

const QUOBLIN_BUS_NAME = 'io.github.quoblin.Shell';
const QUOBLIN_OBJECT_PATH = '/io/github/quoblin/Shell';
const QUOBLIN_INTERFACE = 'io.github.quoblin.Shell1';
const QUOBLIN_INTERFACE_VERSION = 3;
// The one program this companion serves, set when the extension is built: its
// calls come from that executable and no other.
const QUOBLIN_PROGRAM = '@QUOBLIN_PROGRAM@';
// How long a placement waits for its window to be shown.
const QUOBLIN_PENDING_US = 2000 * 1000;
const QUOBLIN_MAX_PENDING = 32;
const QUOBLIN_MAX_TITLE = 1024;
const QUOBLIN_MAX_ACCELERATOR = 128;
const QUOBLIN_MAX_COORDINATE = 1 << 20;
// Modifiers and a key name. Typing uses Ctrl or Alt with a letter and AltGr
// (Mod5, or Mod2 on some layouts): a grab needs Ctrl and Alt together, Super,
// or a function key, and a modifier besides Shift.
const QUOBLIN_ACCELERATOR = /^((?:<(?:control|ctrl|primary|shift|alt|super)>)+)([a-z0-9_]+)$/i;
const QUOBLIN_MAX_GRABS = 3;
// What a clipboard read may ask for and bring back: a few formats, and a whole
// answer (keys and framing counted, room left for the message's header) well
// under what the bus carries. A message over the bus's limit makes it drop the
// sender's connection, and the Shell does not outlive its session connection.
const QUOBLIN_MAX_FORMATS = 16;
const QUOBLIN_MAX_FORMAT = 255;
const QUOBLIN_MAX_ANSWER = 32 * 1024 * 1024 - 4096;
const QUOBLIN_ENTRY_FRAMING = 16; // a dictionary entry's alignment, lengths and nul
// How long a whole clipboard read may take; the program waits a little longer.
const QUOBLIN_READ_MS = 2000;
const QUOBLIN_INVALID_ARGS = 'org.freedesktop.DBus.Error.InvalidArgs';
const QUOBLIN_ACCESS_DENIED = 'org.freedesktop.DBus.Error.AccessDenied';
const QUOBLIN_FAILED = 'org.freedesktop.DBus.Error.Failed';

// The interface's one copy, extension/io.github.quoblin.Shell1.xml, put here by the build.
const QUOBLIN_INTERFACE_XML = `@QUOBLIN_INTERFACE_XML@`;

class QuoblinShellService {
    constructor(modules) {
        this._m = modules;
        this._exported = null;
        this._nameId = 0;
        this._connections = [];
        this._dragging = false;
        // The cursor tracker and its handler while a drag is followed.
        this._following = null;
        // The unique bus name of the program's connection, once it called, and its watch.
        this._client = null;
        this._clientPid = 0;
        this._clientWatch = 0;
        // action id of each accelerator the program holds
        this._grabs = new Set();
        // cancellables of the clipboard reads under way
        this._reads = new Set();
        // window -> {previousFocus, shown, handlerIds}, for windows created while enabled
        this._windows = new Map();
        this._pending = [];
        // the windows the program placed, by the id it gave each, and each one's id
        this._placed = new Map();
        this._ids = new Map();
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
        this._connect(display, 'workareas-changed', () => this._tellWorkAreas());
        this._connect(display, 'accelerator-activated', (d, action) => this._onAccelerator(action));
        this._connect(display, 'window-created', (d, window) => this._onWindowCreated(window));
        this._connect(display, 'grab-op-end', (d, window) => this._onGrabEnded(window));
    }

    disable() {
        const {Gio} = this._m;
        this._forgetClient();
        for (const read of this._reads)
            read.cancel();
        this._reads.clear();
        for (const [object, id] of this._connections)
            object.disconnect(id);
        this._connections = [];
        for (const [window, entry] of this._windows) {
            for (const id of entry.handlerIds)
                window.disconnect(id);
        }
        this._windows.clear();
        this._setDragging(false);
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

    GetPointerAsync(parameters, invocation) {
        this._serve(invocation, '(iibu)', () => this._pointer());
    }

    // [x, y, left button held, the Shift, Control, Alt and Super bits held]
    _pointer() {
        const {ModifierType} = this._m.Clutter;
        const [x, y, mods] = global.get_pointer();
        const keys = ModifierType.SHIFT_MASK | ModifierType.CONTROL_MASK |
            ModifierType.MOD1_MASK | ModifierType.MOD4_MASK;
        return [x, y, (mods & ModifierType.BUTTON1_MASK) !== 0, mods & keys];
    }

    // Each monitor's geometry and the part of it the panels leave to windows:
    // the compositor tells Wayland clients nothing of its panels.
    GetWorkAreasAsync(parameters, invocation) {
        this._serve(invocation, '(a(iiiiiiii))', () => [this._workAreas()]);
    }

    _workAreas() {
        const workspace = global.workspace_manager.get_active_workspace();
        const monitors = [];
        for (let i = 0; i < global.display.get_n_monitors(); ++i) {
            const m = global.display.get_monitor_geometry(i);
            const w = workspace.get_work_area_for_monitor(i);
            monitors.push([m.x, m.y, m.width, m.height, w.x, w.y, w.width, w.height]);
        }
        return monitors;
    }

    // Pushed, so that placing a shelf is one call: the program keeps the last ones told.
    _tellWorkAreas() {
        this._tell('WorkAreasChanged', '(a(iiiiiiii))', [this._workAreas()]);
    }

    GrabAcceleratorAsync([accelerator], invocation) {
        this._serve(invocation, '(u)', () => {
            const parts = typeof accelerator === 'string' && accelerator.length <= QUOBLIN_MAX_ACCELERATOR
                ? QUOBLIN_ACCELERATOR.exec(accelerator) : null;
            if (!parts || this._grabs.size >= QUOBLIN_MAX_GRABS)
                return [0];
            const held = parts[1].toLowerCase();
            const has = names => names.some(name => held.includes(`<${name}>`));
            const functionKey = /^f([1-9]|[12][0-9]|3[0-5])$/i.test(parts[2]);
            if (!has(['control', 'ctrl', 'primary', 'alt', 'super']) ||
                !(has(['super']) || functionKey || (has(['alt']) && has(['control', 'ctrl', 'primary']))))
                return [0];
            return [this._grab(accelerator)];
        });
    }

    UngrabAcceleratorAsync([action], invocation) {
        this._serve(invocation, '(b)', () => {
            if (!this._grabs.has(action))
                return [false];
            this._ungrab(action);
            return [true];
        });
    }

    PlaceWindowAsync([id, title, x, y], invocation) {
        if (!Number.isInteger(id) || id === 0 ||
            typeof title !== 'string' || title.length === 0 || title.length > QUOBLIN_MAX_TITLE ||
            !Number.isInteger(x) || !Number.isInteger(y) ||
            Math.abs(x) > QUOBLIN_MAX_COORDINATE || Math.abs(y) > QUOBLIN_MAX_COORDINATE) {
            invocation.return_dbus_error(QUOBLIN_INVALID_ARGS,
                'PlaceWindow needs an id, a non-empty title and coordinates on the stage');
            return;
        }
        this._serve(invocation, '(b)', pid => [this._place(pid, id, title, x, y)]);
    }

    // A Wayland client is told of the clipboard only while it has the focus, which
    // the program never takes; the Shell reads it on its behalf.
    ReadClipboardAsync([formats], invocation) {
        if (!Array.isArray(formats) || formats.length > QUOBLIN_MAX_FORMATS || formats.some(
            f => typeof f !== 'string' || f.length === 0 || f.length > QUOBLIN_MAX_FORMAT)) {
            invocation.return_dbus_error(QUOBLIN_INVALID_ARGS, 'ReadClipboard needs a short list of MIME types');
            return;
        }
        this._serve(invocation, null, () => this._readClipboard(formats, invocation));
    }

    // --- who may call ------------------------------------------------------------

    // Runs serve(pid) for the program's connection only: the clipboard, the pointer and
    // the drags are the user's, and the grabs and placements act on the user's desktop.
    // The program is recognised by its executable, read through the caller's process
    // id from the bus; then that one connection is served until it leaves the bus.
    // With a signature, what serve returns is the answer; without, serve answers.
    _serve(invocation, signature, serve) {
        const {Gio, GLib} = this._m;
        const sender = invocation.get_sender();
        const exported = this._exported;
        const reply = pid => {
            if (signature)
                this._answer(invocation, signature, () => serve(pid));
            else
                serve(pid);
        };
        if (sender === this._client) {
            reply(this._clientPid);
            return;
        }
        // The bus tells who is calling; asked asynchronously so that the Shell never waits on it.
        Gio.DBus.session.call('org.freedesktop.DBus', '/org/freedesktop/DBus', 'org.freedesktop.DBus',
            'GetConnectionUnixProcessID', new GLib.Variant('(s)', [sender]),
            new GLib.VariantType('(u)'), Gio.DBusCallFlags.NONE, 2000, null, (connection, result) => {
                let pid = 0;
                try {
                    [pid] = connection.call_finish(result).deepUnpack();
                } catch (e) {}
                if (this._exported !== exported || !exported) {
                    invocation.return_dbus_error(QUOBLIN_FAILED, 'the service was disabled');
                    return;
                }
                if (!this._client && this._isProgram(pid))
                    this._adopt(sender, pid);
                if (sender === this._client)
                    reply(pid);
                else
                    invocation.return_dbus_error(QUOBLIN_ACCESS_DENIED, 'Only Quoblin may call this');
            });
    }

    _isProgram(pid) {
        try {
            return pid > 0 && this._m.GLib.file_read_link(`/proc/${pid}/exe`) === QUOBLIN_PROGRAM;
        } catch (e) {
            return false;
        }
    }

    _adopt(sender, pid) {
        this._client = sender;
        this._clientPid = pid;
        // Fires at once when the name is already gone, so nothing outlives the program's connection.
        this._clientWatch = this._m.Gio.bus_watch_name_on_connection(this._m.Gio.DBus.session, sender,
            this._m.Gio.BusNameWatcherFlags.NONE, null, () => this._forgetClient());
    }

    _forgetClient() {
        this._followPointer(false);
        for (const action of [...this._grabs])
            this._ungrab(action);
        if (this._clientWatch)
            this._m.Gio.bus_unwatch_name(this._clientWatch);
        this._clientWatch = 0;
        this._client = null;
        this._clientPid = 0;
        this._placed.clear();
        this._ids.clear();
        this._pending = [];
    }

    // --- the clipboard -------------------------------------------------------------

    // One format at a time, in the caller's order of preference. Each is read
    // with the room the answer has left: the transfer stops one byte past it, so
    // a format too large is never held whole, and the read as a whole has a time
    // limit. Formats left out are named in the answer's shortfall.
    _readClipboard(formats, invocation) {
        const {Gio, GLib, Meta, St} = this._m;
        const selection = global.display.get_selection();
        const offered = St.Clipboard.get_default().get_mimetypes(St.ClipboardType.CLIPBOARD);
        const wanted = formats.filter((f, i) => offered.includes(f) && formats.indexOf(f) === i);
        const entries = [];
        let room = QUOBLIN_MAX_ANSWER, shortfall = '', done = false;
        const cancellable = new Gio.Cancellable();
        this._reads.add(cancellable);
        // A transfer that never calls back (its source gone at the wrong moment) ends here too.
        let timer = GLib.timeout_add(GLib.PRIORITY_DEFAULT, QUOBLIN_READ_MS, () => {
            timer = 0;
            cancellable.cancel();
            shortfall = 'too-slow';
            finish();
            return GLib.SOURCE_REMOVE;
        });
        const finish = () => {
            if (done)
                return;
            done = true;
            if (timer)
                GLib.source_remove(timer);
            if (!this._reads.delete(cancellable)) { // disabled meanwhile
                invocation.return_dbus_error(QUOBLIN_FAILED, 'the service was disabled');
                return;
            }
            // Built from the bytes as read: no copy of them passes through JavaScript.
            const V = GLib.Variant;
            invocation.return_value(V.new_tuple([V.new_array(new GLib.VariantType('{say}'),
                entries.map(([f, bytes]) => V.new_dict_entry(V.new_string(f),
                    V.new_from_bytes(new GLib.VariantType('ay'), bytes, true)))), V.new_string(shortfall)]));
        };
        const next = () => {
            if (done)
                return;
            const format = wanted.shift();
            const budget = room - QUOBLIN_ENTRY_FRAMING - (format?.length ?? 0);
            if (format === undefined || cancellable.is_cancelled() || budget <= 0) {
                if (format !== undefined && !cancellable.is_cancelled())
                    shortfall = 'too-large';
                finish();
                return;
            }
            const stream = Gio.MemoryOutputStream.new_resizable();
            selection.transfer_async(Meta.SelectionType.SELECTION_CLIPBOARD, format, budget + 1,
                stream, cancellable, (s, result) => {
                    try {
                        s.transfer_finish(result);
                        stream.close(null);
                    } catch (e) {
                        if (cancellable.is_cancelled())
                            shortfall = 'too-slow';
                        next();
                        return;
                    }
                    const bytes = stream.steal_as_bytes();
                    if (bytes.get_size() > budget) {
                        shortfall = 'too-large';
                    } else {
                        entries.push([format, bytes]);
                        room = budget - bytes.get_size();
                    }
                    next();
                });
        };
        next();
    }

    // --- drags -----------------------------------------------------------------

    // The program learns where the pointer is from the drag's start to its end
    // without asking: a question per sample would cost it a round trip each
    // time, and it would learn of the last movement of a shake only at its next
    // sample. Nothing is told while no drag goes on.
    _setDragging(dragging) {
        if (dragging === this._dragging)
            return;
        this._dragging = dragging;
        this._followPointer(dragging && this._client !== null);
        if (dragging)
            this._tell('DragStarted', '(iibu)', this._pointer());
        else
            this._tell('DragEnded', null, null);
    }

    _followPointer(follow) {
        if (this._following) {
            const [tracker, id] = this._following;
            tracker.disconnect(id);
            tracker.untrack_position?.();
            this._following = null;
        }
        if (!follow)
            return;
        const tracker = global.backend?.get_cursor_tracker?.() ??
            this._m.Meta.CursorTracker.get_for_display(global.display);
        tracker.track_position?.();
        this._following = [tracker, tracker.connect('position-invalidated',
            () => this._tell('PointerMoved', '(iibu)', this._pointer()))];
    }

    // Told to the program only: that a drag goes on, where the pointer is and
    // what the windows do are the user's business. (Unicast to the one
    // connection the companion serves.)
    _tell(signal, signature, values) {
        if (!this._client)
            return;
        const {GLib} = this._m;
        this._m.Gio.DBus.session.emit_signal(this._client, QUOBLIN_OBJECT_PATH, QUOBLIN_INTERFACE,
            signal, signature ? new GLib.Variant(signature, values) : null);
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
    GetX11DisplayAsync(parameters, invocation) {
        this._serve(invocation, '(b)', () =>
            [this._m.Shell.util_has_x11_display_extension?.(global.display, 'XFIXES') ?? false]);
    }

    // --- accelerators ------------------------------------------------------------

    _grab(accelerator) {
        const {Meta, Shell, Main} = this._m;
        const flags = Meta.KeyBindingFlags.IGNORE_AUTOREPEAT ?? Meta.KeyBindingFlags.NONE;
        const action = global.display.grab_accelerator(accelerator, flags);
        if (!action)
            return 0;
        Main.wm.allowKeybinding(Meta.external_binding_name_for_action(action),
            Shell.ActionMode.NORMAL | Shell.ActionMode.OVERVIEW);
        this._grabs.add(action);
        return action;
    }

    _ungrab(action) {
        const {Meta, Shell, Main} = this._m;
        this._grabs.delete(action);
        global.display.ungrab_accelerator(action);
        Main.wm.allowKeybinding(Meta.external_binding_name_for_action(action), Shell.ActionMode.NONE);
    }

    _onAccelerator(action) {
        if (this._grabs.has(action))
            this._tell('AcceleratorActivated', '(u)', [action]);
    }

    // --- window placement ----------------------------------------------------------

    _onWindowCreated(window) {
        // A new window takes the focus when it maps; remember who had it to hand it back.
        const entry = {previousFocus: global.display.focus_window, shown: false, handlerIds: []};
        entry.handlerIds.push(window.connect('shown', () => this._onWindowShown(window)));
        // A window may show before it takes the title it is placed by (one
        // the program made ahead, from a newer Shell on): it is matched then.
        entry.handlerIds.push(window.connect('notify::title', () => {
            if (this._pending.length && this._windows.get(window)?.shown)
                this._onWindowShown(window);
        }));
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
        this._apply(window, request.id, request.x, request.y);
    }

    _onWindowUnmanaged(window) {
        const entry = this._windows.get(window);
        if (entry) {
            for (const id of entry.handlerIds)
                window.disconnect(id);
        }
        this._windows.delete(window);
        if (this._ids.has(window))
            this._placed.delete(this._ids.get(window));
        this._ids.delete(window);
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

    // A window placed once is known by its id from then on, whatever its title
    // becomes; the title only ties a window not placed yet to its id, once.
    _place(pid, id, title, x, y) {
        const window = this._placed.get(id) ?? global.get_window_actors().map(a => a.meta_window)
            .find(w => !this._ids.has(w) && this._matches(w, pid, title) && this._isMapped(w));
        if (window) {
            this._apply(window, id, x, y);
            return true;
        }
        this._dropExpired();
        // A newer request for the same window replaces the older one.
        this._pending = this._pending.filter(p => p.id !== id);
        if (this._pending.length >= QUOBLIN_MAX_PENDING)
            this._pending.shift();
        this._pending.push({pid, id, title, x, y, deadline: this._m.GLib.get_monotonic_time() + QUOBLIN_PENDING_US});
        return false;
    }

    _dropExpired() {
        const now = this._m.GLib.get_monotonic_time();
        this._pending = this._pending.filter(p => p.deadline > now);
    }

    _apply(window, id, x, y) {
        if (!this._windows.has(window)) { // made before the extension was turned on
            this._onWindowCreated(window);
            this._windows.get(window).shown = true;
        }
        this._placed.set(id, window);
        this._ids.set(window, id);
        window.make_above();
        window.stick();
        window.move_frame(true, x, y);
        const previous = this._windows.get(window)?.previousFocus;
        const stillThere = previous && global.get_window_actors().some(a => a.meta_window === previous);
        if (stillThere && previous !== window && global.display.focus_window === window)
            previous.activate(global.get_current_time());
    }

    // A Wayland client never learns where its windows are: when the user has
    // moved (or resized) a placed window, the program is told where it ended.
    _onGrabEnded(window) {
        if (!window || !this._ids.has(window))
            return;
        const r = window.get_frame_rect();
        this._tell('WindowMoved', '(uii)', [this._ids.get(window), r.x, r.y]);
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
