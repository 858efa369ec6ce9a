#pragma once

#include <QByteArray>
#include <QPoint>
#include <vector>
#include <xcb/xcb.h>

// The X server the benchmark runs under, seen as another client sees it:
// which windows a process has on screen, and keys and clicks sent to them.
class XDisplay {
public:
    XDisplay();
    ~XDisplay();
    bool isOpen() const { return connection_ != nullptr; }

    // A window of process pid with this title that is mapped on screen, or 0.
    xcb_window_t mappedWindow(qint64 pid, const QByteArray& title);
    void pressReturn(xcb_window_t window);
    // A key by its keysym (XK_r is 0x72), with modifiers such as XCB_MOD_MASK_CONTROL.
    void pressKey(xcb_window_t window, xcb_keysym_t key, uint16_t modifiers = 0);
    // Gives the window the keyboard, as a window manager does on a click.
    void focus(xcb_window_t window);
    void click(xcb_window_t window, QPoint at);
    // Asks the window to close, as a window manager's close button does.
    void close(xcb_window_t window);

private:
    QByteArray property(xcb_window_t window, xcb_atom_t name, xcb_atom_t type, int length);
    void sendAndSync(xcb_window_t window, const void* event);

    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = 0;
    xcb_atom_t atom(const char* name);

    xcb_atom_t pidAtom_ = 0;
    xcb_atom_t protocolsAtom_ = 0;
    xcb_atom_t deleteAtom_ = 0;
    std::vector<xcb_keysym_t> keysyms_; // the keyboard map: keysymsPerCode_ a key code
    int keysymsPerCode_ = 0;
    xcb_keycode_t minKeycode_ = 0;
};
