// Quoblin's KWin effect: one text for KWin 5.27 and 6.x, installed with the
// program (KWin reads its effects only when it starts).
//
// The companion script sees the pointer but no button, so it reports every
// shake, also a plain wiggle and the second shake of a drag. The program then
// shows its invisible drag-check window under the pointer, and takes a
// drag-enter there for a drag. An effect sees the buttons. It cannot call the
// program (effects have no D-Bus) but it can close a window, which the program
// takes for "no new drag here". It closes the drag-check window as it appears
//  - while the left button is up: no drag;
//  - while the press that a drag-check window already confirmed as a drag is
//    still held: one drag opens one shelf. The program tells that a window
//    confirmed a drag by its title when it goes.
// So every press gets one chance, whatever the drag carries.
//
// Per motion, a comparison or two; nothing else runs until a window comes or goes.

var QUOBLIN_CHECK_TITLE = "Quoblin drag check";
var QUOBLIN_CONFIRMED_TITLE = "Quoblin drag check: a drag";
var quoblinLeftHeld = false;
var quoblinPressConfirmed = false;

function quoblinIsOwn(window) {
    return String(window.windowClass).split(" ").indexOf("quoblin") >= 0;
}

effects.mouseChanged.connect(function (pos, oldpos, buttons) {
    var held = (buttons & 1) !== 0; // Qt.LeftButton
    if (held && !quoblinLeftHeld)
        quoblinPressConfirmed = false;
    quoblinLeftHeld = held;
});

effects.windowAdded.connect(function (window) {
    if (window.caption !== QUOBLIN_CHECK_TITLE || !quoblinIsOwn(window))
        return;
    if (!quoblinLeftHeld || quoblinPressConfirmed)
        window.closeWindow();
});

effects.windowClosed.connect(function (window) {
    if (quoblinLeftHeld && window.caption === QUOBLIN_CONFIRMED_TITLE && quoblinIsOwn(window))
        quoblinPressConfirmed = true;
});
