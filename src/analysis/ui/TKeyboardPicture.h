#pragma once

#include <QImage>
#include <QWidget>

namespace trx {

// The keyboard beside the analysis map ("Image1", 64 x 512): piano keys lined
// up with the GetNoteY rows, so each map row meets the key of its note.
class TKeyboardPicture : public QWidget {
    Q_OBJECT

public:
    static constexpr int kWidth = 64;
    static constexpr int kHeight = 512;

    explicit TKeyboardPicture(QWidget* parent = nullptr);

    // White keys 8 pixels tall between black lines at y 7, 15, ..., 511; the
    // sharps as black bars 5 pixels tall centred on their rows; a colour strip
    // at the left edge, green at the top, yellow in the middle, red at the
    // bottom.
    [[nodiscard]] static QImage DrawKeyboard();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage picture_;
};

} // namespace trx
