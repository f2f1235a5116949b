#include "analysis/ui/TKeyboardPicture.h"

#include "editor/NoteRows.h"

#include <QPainter>

namespace trx {

namespace {

// Note rows run up to 108, two above the highest bin, to fill the top.
constexpr int kKeyboardRows = 109;
constexpr int kStripWidth = 3;
constexpr int kBlackKeyLeft = 3;
constexpr int kBlackKeyRight = 36;
constexpr int kBlackKeyHeight = 5;

[[nodiscard]] bool IsSharp(int row) {
    switch (row % 12) {
    case 1:  // A#
    case 4:  // C#
    case 6:  // D#
    case 9:  // F#
    case 11: // G#
        return true;
    default:
        return false;
    }
}

// Blends a to b as y runs from top to bottom (pixels).
[[nodiscard]] QColor Blend(const QColor& a, const QColor& b, int y, int top, int bottom) {
    const double t = static_cast<double>(y - top) / static_cast<double>(bottom - top);
    auto mix = [t](int from, int to) { return static_cast<int>(from + (to - from) * t + 0.5); };
    return {mix(a.red(), b.red()), mix(a.green(), b.green()), mix(a.blue(), b.blue())};
}

[[nodiscard]] QColor StripColour(int y) {
    const QColor green(0, 192, 0);
    const QColor yellow(255, 255, 0);
    const QColor red(255, 0, 0);
    if (y < 264) {
        return green;
    }
    if (y <= 303) {
        return Blend(green, yellow, y, 264, 303);
    }
    if (y < 313) {
        return yellow;
    }
    if (y <= 352) {
        return Blend(yellow, red, y, 313, 352);
    }
    return red;
}

} // namespace

TKeyboardPicture::TKeyboardPicture(QWidget* parent)
    : QWidget(parent)
    , picture_(DrawKeyboard()) {
    setObjectName(QStringLiteral("Image1"));
    setFixedSize(kWidth, kHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QImage TKeyboardPicture::DrawKeyboard() {
    QImage picture(kWidth, kHeight, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    // Each white key is centred on its row: A at 507 lies between 503 and 511.
    for (int y = 7; y < kHeight; y += 8) {
        painter.fillRect(0, y, kWidth, 1, Qt::black);
    }
    for (int row = 0; row < kKeyboardRows; ++row) {
        if (IsSharp(row)) {
            const int y = GetNoteY(static_cast<std::uint16_t>(row));
            painter.fillRect(kBlackKeyLeft, y - kBlackKeyHeight / 2,
                             kBlackKeyRight - kBlackKeyLeft + 1, kBlackKeyHeight, Qt::black);
        }
    }
    for (int y = 0; y < kHeight; ++y) {
        painter.fillRect(0, y, kStripWidth, 1, StripColour(y));
    }
    return picture;
}

void TKeyboardPicture::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.drawImage(0, 0, picture_);
}

} // namespace trx
