// Quoblin's KWin effect: one text for KWin 5.27 and 6.x, written and loaded by
// the program while it runs.
//
// The companion script sees the pointer but no button, so a plain wiggle also
// makes the program show its invisible drag-check window under the pointer,
// where it would take the user's next click until it gives up. An effect sees
// the buttons. It cannot call the program (effects have no D-Bus), but it can
// close a window: the drag-check window, shown while the left button is up,
// is closed as it appears, and the program takes that as "no drag". While the
// button is held the window is left alone: a drag-enter there confirms a drag.
//
// Per motion, one comparison; nothing else runs until a window is added.

var QUOBLIN_CHECK_CAPTION = "Quoblin drag check";
var quoblinLeftHeld = false;

effects.mouseChanged.connect(function (pos, oldpos, buttons) {
    quoblinLeftHeld = (buttons & 1) !== 0; // Qt.LeftButton
});

effects.windowAdded.connect(function (window) {
    if (quoblinLeftHeld || window.caption !== QUOBLIN_CHECK_CAPTION)
        return;
    if (String(window.windowClass).split(" ").indexOf("quoblin") < 0)
        return;
    window.closeWindow();
});
