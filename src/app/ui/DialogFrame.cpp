#include "app/ui/DialogFrame.h"

#include <QGuiApplication>
#include <QWidget>

#ifdef TREMOLUNDRIX_HAVE_XCB
#include <xcb/xcb.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#endif

namespace trx {

void RequestDialogFrame(QWidget& window) {
#ifdef TREMOLUNDRIX_HAVE_XCB
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->connection() == nullptr) {
        return;
    }
    xcb_connection_t* connection = x11->connection();
    constexpr char kName[] = "_MOTIF_WM_HINTS";
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, std::strlen(kName), kName), nullptr);
    if (atom == nullptr) {
        return;
    }
    // Flags (functions, decorations), functions (move), decorations
    // (border, title), input mode, status.
    constexpr std::uint32_t kFunctionsAndDecorations = 1u | 2u;
    constexpr std::uint32_t kMove = 4u;
    constexpr std::uint32_t kBorderAndTitle = 2u | 8u;
    const std::array<std::uint32_t, 5> hints{kFunctionsAndDecorations, kMove, kBorderAndTitle, 0,
                                             0};
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE,
                        static_cast<xcb_window_t>(window.winId()), atom->atom, atom->atom, 32,
                        static_cast<std::uint32_t>(hints.size()), hints.data());
    std::free(atom);
#else
    (void)window;
#endif
}

} // namespace trx
