#pragma once

// The toolkit asks the X server for selections (the clipboard among them)
// with the latest X time it has seen, and only ever moves that time forward.
// Some programs put a time of their own clock into their requests, far ahead
// of the server's; adopted, it makes the server ignore every later request to
// own the clipboard. These keep such times out and tell when owning failed.
#include <cstdint>
#include <memory>

class OutgoingDrag;
class QAbstractNativeEventFilter;
class X11Connection;

namespace SelectionOwnership {

// While it lives, a time in another client's selection request or drag
// message that lies ahead of the server's clock is replaced by the server's
// time before the toolkit sees it; a request with such a time for the latest
// drag's data is answered from that data instead. Does nothing when the
// toolkit does not run on X11. The connection and the drag must outlive it.
class TimeGuard {
public:
    TimeGuard(X11Connection& x11, const OutgoingDrag& drag);
    ~TimeGuard();
    TimeGuard(const TimeGuard&) = delete;
    TimeGuard& operator=(const TimeGuard&) = delete;

private:
    std::unique_ptr<QAbstractNativeEventFilter> m_filter;
};

// Whether a window of this program owns the clipboard; true when the toolkit
// does not run on X11, where there is nothing to check.
bool clipboardHeldHere(X11Connection& x11);

// The window that owns the clipboard, XCB_WINDOW_NONE when none does.
uint32_t clipboardOwner(X11Connection& x11);

// Whether the toolkit made that window; false when it does not run on X11.
bool isToolkitWindow(uint32_t window);

} // namespace SelectionOwnership
