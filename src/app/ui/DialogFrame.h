#pragma once

class QWidget;

namespace trx {

// Asks the X11 window manager to frame window as a dialog with a title bar
// and border, movable but without minimise, maximise, resize or close: the
// Motif hints Qt's flags cannot express (without any button flag Qt offers
// every function). The window type stays the dialog type Qt gives. Call it
// from the window's show event, before the window is mapped. Elsewhere it
// does nothing.
void RequestDialogFrame(QWidget& window);

} // namespace trx
