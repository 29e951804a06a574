// Quoblin's KWin companion: one text for KWin 5.27 and 6.x, loaded by the
// program through org.kde.kwin.Scripting or installed as a KWin script.
//
// It calls the program, never the other way round (a script cannot offer
// D-Bus methods), on the service io.github.quoblin.Program, object
// /io/github/quoblin/KWin, interface io.github.quoblin.KWin1:
//   Shake(i x, i y)
//     the pointer was shaken; (x, y) is where it was when the shake completed.
//   Placement(i pid, s caption) -> (b place, i x, i y)
//     asked once for each new window whose resource class is "quoblin"; the
//     program answers place = true only for a window of its own process, which
//     then gets its frame's top-left corner at (x, y), stays above, on all
//     desktops, and out of the task bar, pager and switcher.
//   Moved(s caption, i x, i y)
//     the user has moved a window placed that way; (x, y) is its frame's
//     top-left corner now.
// Whole numbers travel as int32: KWin passes JavaScript numbers that way.
// The sensitivity (reversals that make a shake, 3 to 8) is read at load from
// the key MinReversals of the group [Script-NAME] in kwinrc, NAME being the
// name the script was loaded under, else from the program's setting, which
// the program writes before the text as "var QUOBLIN_MIN_REVERSALS = N;";
// a change takes a reload.
//
// Per motion only the recognizer's few comparisons run; the bus is used on a
// shake, on a new window of the program and when the user has moved one of
// its windows, never otherwise.

var QUOBLIN_SERVICE = "io.github.quoblin.Program";
var QUOBLIN_PATH = "/io/github/quoblin/KWin";
var QUOBLIN_INTERFACE = "io.github.quoblin.KWin1";
var QUOBLIN_RESOURCE_CLASS = "quoblin";

// The program's shake recognizer (src/shake), with its numbers: the pointer's
// x is sampled every 40 ms; a move counts when it is at least 5 points from
// the last one that counted, a reversal is a counted move against the one
// before, and a shake is minReversals reversals none older than 0.8 s. Times
// are in milliseconds. A script sees no buttons: it watches every motion, not
// only those after a press, and leaves telling a drag from a plain wiggle to
// the program.
function ShakeRecognizer(minReversals) {
    this.minDelta = 5;
    this.minReversals = minReversals;
    this.windowMs = 800;
    this.sampleMs = 40;
    this.lastX = null;
    this.lastDirection = 0;
    this.reversals = [];
    this.nextSample = null;
    this.x = 0;
    this.y = 0;
}

// One motion to (x, y) at time t. The program reads the pointer on a 40 ms
// clock and sees where the latest motion left it; KWin tells of motions
// instead, so a sample is taken when the first motion after its time arrives.
// Returns the point of a completed shake, or null.
ShakeRecognizer.prototype.moved = function (x, y, t) {
    var shake = null;
    if (this.nextSample === null) {
        this.nextSample = t + this.sampleMs;
    } else if (t > this.nextSample) {
        if (this.feed(this.x, this.nextSample))
            shake = { x: this.x, y: this.y };
        // The samples skipped while the pointer rested would all see this spot.
        this.nextSample += this.sampleMs * Math.ceil((t - this.nextSample) / this.sampleMs);
    }
    this.x = x;
    this.y = y;
    return shake;
};

// One sample; true exactly when it completes a shake, after which the moving
// state is cleared.
ShakeRecognizer.prototype.feed = function (x, t) {
    if (this.lastX === null) {
        this.lastX = x;
        return false;
    }
    var dx = x - this.lastX;
    // Small moves keep the reference point, so a slow drift adds up.
    if (this.minDelta > Math.abs(dx))
        return false;
    this.lastX = x;
    var direction = dx > 0 ? 1 : -1;
    if (this.lastDirection !== 0 && direction !== this.lastDirection)
        this.reversals.push(t);
    this.lastDirection = direction;
    var windowMs = this.windowMs;
    this.reversals = this.reversals.filter(function (r) { return t - r <= windowMs; });
    if (this.reversals.length < this.minReversals)
        return false;
    this.lastX = null;
    this.lastDirection = 0;
    this.reversals = [];
    return true;
};

// KWin 5.27 hands a resource class over as bytes, 6.x as a string.
function quoblinText(value) {
    if (typeof value === "string")
        return value;
    return value ? String.fromCharCode.apply(null, new Uint8Array(value)) : "";
}

function quoblinPlace(window, place, x, y) {
    // The window may be gone by the time the answer comes.
    if (!place || !window || window.deleted)
        return;
    window.keepAbove = true;
    window.onAllDesktops = true;
    window.skipTaskbar = true;
    window.skipPager = true;
    window.skipSwitcher = true;
    var frame = window.frameGeometry;
    window.frameGeometry = { x: x, y: y, width: frame.width, height: frame.height };
    // KWin 6 tells the window itself; 5.27 passes the window along.
    var finished = window.interactiveMoveResizeFinished || window.clientFinishUserMovedResized;
    finished.connect(function () {
        if (window.deleted)
            return;
        var now = window.frameGeometry;
        callDBus(QUOBLIN_SERVICE, QUOBLIN_PATH, QUOBLIN_INTERFACE, "Moved",
                 String(window.caption), Math.round(now.x), Math.round(now.y));
    });
}

function quoblinStart() {
    // The program puts its own setting before this text when it loads it.
    var fallback = typeof QUOBLIN_MIN_REVERSALS === "number" ? QUOBLIN_MIN_REVERSALS : 4;
    var reversals = Math.round(Number(readConfig("MinReversals", fallback)));
    var recognizer = new ShakeRecognizer(reversals >= 3 && reversals <= 8 ? reversals : 4);
    workspace.cursorPosChanged.connect(function () {
        var pos = workspace.cursorPos;
        var shake = recognizer.moved(pos.x, pos.y, Date.now());
        if (shake)
            callDBus(QUOBLIN_SERVICE, QUOBLIN_PATH, QUOBLIN_INTERFACE, "Shake",
                     Math.round(shake.x), Math.round(shake.y));
    });
    var added = workspace.windowAdded || workspace.clientAdded;
    added.connect(function (window) {
        if (quoblinText(window.resourceClass) !== QUOBLIN_RESOURCE_CLASS)
            return;
        callDBus(QUOBLIN_SERVICE, QUOBLIN_PATH, QUOBLIN_INTERFACE, "Placement",
                 window.pid, String(window.caption), function (place, x, y) {
                     quoblinPlace(window, place, x, y);
                 });
    });
}

// Under node (the shared table of pointer paths) there is no workspace.
if (typeof workspace !== "undefined")
    quoblinStart();
