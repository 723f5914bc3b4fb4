#include "WindowPlace.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

#ifdef VELMO_HAVE_XCB
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#endif

namespace velmo {

void centreOnScreen(QWidget* window, QPoint offset)
{
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect free = screen->availableGeometry();
    QRect frame = window->frameGeometry();
    frame.moveCenter(free.center());
    frame.translate(offset);
    frame.moveRight(std::min(frame.right(), free.right()));
    frame.moveBottom(std::min(frame.bottom(), free.bottom()));
    frame.moveLeft(std::max(frame.left(), free.left()));
    frame.moveTop(std::max(frame.top(), free.top()));
    window->move(frame.topLeft());
}

void keepOutOfTaskbar(QWidget* window)
{
#ifdef VELMO_HAVE_XCB
    // Only the X11 window system itself (the offscreen one may offer the interface without a server).
    if (window->isVisible() || QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return;
    const auto atom = [connection](const char* name) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name),
            nullptr);
        const xcb_atom_t found = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return found;
    };
    // The window manager reads these states when the window is mapped; Qt keeps them beside its own.
    const xcb_atom_t states[2] = {atom("_NET_WM_STATE_SKIP_TASKBAR"), atom("_NET_WM_STATE_SKIP_PAGER")};
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(window->winId()),
                        atom("_NET_WM_STATE"), XCB_ATOM_ATOM, 32, 2, states);
    xcb_flush(connection);
#else
    Q_UNUSED(window);
#endif
}

} // namespace velmo
