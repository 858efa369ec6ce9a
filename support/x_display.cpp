#include "x_display.h"

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

template <class Reply>
std::unique_ptr<Reply, decltype(&std::free)> owned(Reply* reply)
{
    return {reply, &std::free};
}

constexpr xcb_keysym_t returnKeysym = 0xff0d;

} // namespace

XDisplay::XDisplay()
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return;
    connection_ = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection_)) {
        xcb_disconnect(connection_);
        connection_ = nullptr;
        return;
    }
    const xcb_setup_t* setup = xcb_get_setup(connection_);
    root_ = xcb_setup_roots_iterator(setup).data->root;
    pidAtom_ = atom("_NET_WM_PID");
    protocolsAtom_ = atom("WM_PROTOCOLS");
    deleteAtom_ = atom("WM_DELETE_WINDOW");
    const int count = setup->max_keycode - setup->min_keycode + 1;
    const auto map = owned(xcb_get_keyboard_mapping_reply(
        connection_, xcb_get_keyboard_mapping(connection_, setup->min_keycode, static_cast<uint8_t>(count)), nullptr));
    if (map) {
        const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map.get());
        keysyms_.assign(syms, syms + xcb_get_keyboard_mapping_keysyms_length(map.get()));
        keysymsPerCode_ = map->keysyms_per_keycode;
        minKeycode_ = setup->min_keycode;
    }
}

XDisplay::~XDisplay()
{
    if (connection_)
        xcb_disconnect(connection_);
}

xcb_atom_t XDisplay::atom(const char* name)
{
    const auto reply = owned(xcb_intern_atom_reply(
        connection_, xcb_intern_atom(connection_, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : 0;
}

QByteArray XDisplay::property(xcb_window_t window, xcb_atom_t name, xcb_atom_t type, int length)
{
    const auto reply = owned(xcb_get_property_reply(
        connection_, xcb_get_property(connection_, 0, window, name, type, 0, static_cast<uint32_t>(length)), nullptr));
    if (!reply)
        return {};
    return QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())),
                      xcb_get_property_value_length(reply.get()));
}

xcb_window_t XDisplay::mappedWindow(qint64 pid, const QByteArray& title)
{
    const auto tree = owned(xcb_query_tree_reply(connection_, xcb_query_tree(connection_, root_), nullptr));
    if (!tree)
        return 0;
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
        const auto attributes = owned(
            xcb_get_window_attributes_reply(connection_, xcb_get_window_attributes(connection_, children[i]), nullptr));
        if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE)
            continue;
        const QByteArray windowPid = property(children[i], pidAtom_, XCB_ATOM_CARDINAL, 1);
        if (windowPid.size() != 4 || *reinterpret_cast<const uint32_t*>(windowPid.constData()) != pid)
            continue;
        if (property(children[i], XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 64) == title)
            return children[i];
    }
    return 0;
}

void XDisplay::sendAndSync(xcb_window_t window, const void* event)
{
    // Sent with an empty event mask, the event goes to the client that made
    // the window.
    xcb_send_event(connection_, 0, window, XCB_EVENT_MASK_NO_EVENT, static_cast<const char*>(event));
    // A round trip: the server has passed the event on when it returns.
    std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
}

void XDisplay::pressReturn(xcb_window_t window)
{
    pressKey(window, returnKeysym);
}

void XDisplay::pressKey(xcb_window_t window, xcb_keysym_t key, uint16_t modifiers)
{
    xcb_keycode_t code = 0;
    for (std::size_t i = 0; i < keysyms_.size() && !code; ++i) {
        if (keysyms_[i] == key)
            code = static_cast<xcb_keycode_t>(minKeycode_ + int(i) / keysymsPerCode_);
    }
    for (const auto type : {XCB_KEY_PRESS, XCB_KEY_RELEASE}) {
        xcb_key_press_event_t event;
        std::memset(&event, 0, sizeof event);
        event.response_type = type;
        event.detail = code;
        event.time = XCB_CURRENT_TIME;
        event.root = root_;
        event.event = window;
        event.state = modifiers;
        event.same_screen = 1;
        sendAndSync(window, &event);
    }
}

void XDisplay::focus(xcb_window_t window)
{
    xcb_set_input_focus(connection_, XCB_INPUT_FOCUS_POINTER_ROOT, window, XCB_CURRENT_TIME);
    std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
}

void XDisplay::click(xcb_window_t window, QPoint at)
{
    for (const auto type : {XCB_BUTTON_PRESS, XCB_BUTTON_RELEASE}) {
        xcb_button_press_event_t event;
        std::memset(&event, 0, sizeof event);
        event.response_type = type;
        event.detail = 1;
        event.time = XCB_CURRENT_TIME;
        event.root = root_;
        event.event = window;
        event.event_x = event.root_x = static_cast<int16_t>(at.x());
        event.event_y = event.root_y = static_cast<int16_t>(at.y());
        event.state = type == XCB_BUTTON_RELEASE ? XCB_BUTTON_MASK_1 : 0;
        event.same_screen = 1;
        sendAndSync(window, &event);
    }
}

void XDisplay::close(xcb_window_t window)
{
    xcb_client_message_event_t event;
    std::memset(&event, 0, sizeof event);
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = protocolsAtom_;
    event.data.data32[0] = deleteAtom_;
    event.data.data32[1] = XCB_CURRENT_TIME;
    sendAndSync(window, &event);
}
