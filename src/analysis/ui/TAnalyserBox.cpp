#include "analysis/ui/TAnalyserBox.h"

#include "common/Rounding.h"
#include "editor/NoteRows.h"

#include <QPainter>

#include <algorithm>

namespace trx {

namespace {

constexpr QRgb kRed = 0xFFFF0000;
constexpr QRgb kBlack = 0xFF000000;
constexpr QRgb kWhite = 0xFFFFFFFF;

} // namespace

TAnalyserBox::TAnalyserBox(QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("ampsPB"));
    setFixedSize(64, 512);
    // paintEvent covers every pixel.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TAnalyserBox::BeginAnalyserRun(std::int32_t firstNoteBin) {
    firstNoteBin_ = std::clamp<std::int32_t>(firstNoteBin, 0, kNoteBins);
    analyserBitmap_ = QImage(kBitmapWidth, kBitmapHeight, QImage::Format_RGB32);
    analyserBitmap_.fill(kBlack);
    sinceShown_.invalidate();
}

void TAnalyserBox::EndAnalyserRun() {
    analyserBitmap_ = QImage();
    repaint();
}

int TAnalyserBox::BarLength(float value) {
    // Cut at the bitmap's edge before rounding, so huge magnitudes stay in
    // range; NaN and negative values draw no bar.
    if (!(value > 0.0f)) {
        return 0;
    }
    if (value >= static_cast<float>(kBitmapWidth)) {
        return kBitmapWidth;
    }
    return static_cast<int>(RoundHalfEven(value));
}

void TAnalyserBox::DrawBar(int y, int from, int to, QRgb colour) {
    // Lines end before their last point: a bar of length n covers x 0..n-1.
    auto* line = reinterpret_cast<QRgb*>(analyserBitmap_.scanLine(y));
    std::fill(line + from, line + to, colour);
}

void TAnalyserBox::DrawAnalyser(std::span<const float, kNoteBins> row, AnalyserPass pass) {
    if (analyserBitmap_.isNull()) {
        BeginAnalyserRun(firstNoteBin_);
    }
    if (pass == AnalyserPass::Raw) {
        for (std::int32_t b = firstNoteBin_; b < kNoteBins; ++b) {
            const int y = GetNoteY(static_cast<std::uint16_t>(b));
            const int length = BarLength(row[static_cast<std::size_t>(b)]);
            DrawBar(y, 0, length, kRed);
            DrawBar(y, length, kBitmapWidth, kBlack);
        }
        return;
    }
    for (std::int32_t b = 0; b < kNoteBins; ++b) {
        const int y = GetNoteY(static_cast<std::uint16_t>(b));
        DrawBar(y, 0, BarLength(row[static_cast<std::size_t>(b)]), kWhite);
    }
    if (sinceShown_.isValid() && sinceShown_.elapsed() < kFrameInterval) {
        return;
    }
    sinceShown_.start();
    showBitmap_ = true;
    repaint();
    showBitmap_ = false;
}

void TAnalyserBox::paintEvent(QPaintEvent* /*event*/) {
    ampsPBPaint();
}

void TAnalyserBox::ampsPBPaint() {
    QPainter painter(this);
    if (showBitmap_ && !analyserBitmap_.isNull()) {
        painter.drawImage(0, 0, analyserBitmap_);
        return;
    }
    painter.fillRect(0, 0, kBitmapWidth, kBitmapHeight, Qt::black);
}

} // namespace trx
