#pragma once

#include <QPixmap>
#include <QWidget>

namespace trx {

// The borderless window shown, centred on the screen, while the program's
// windows are created at start-up.
class TSplashForm : public QWidget {
    Q_OBJECT

public:
    explicit TSplashForm(QWidget* parent = nullptr);

    // The picture that fills the window.
    [[nodiscard]] static QPixmap DrawPicture(QSize size);
};

} // namespace trx
