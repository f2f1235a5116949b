#include "analysis/ui/TNoteMapBox.h"

#include "common/Constants.h"
#include "common/Errors.h"
#include "common/Rounding.h"
#include "editor/NoteRows.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPalette>

#include <algorithm>
#include <utility>

namespace trx {

namespace {

// Widest box a widget can be; far beyond any recording (216 hours of slices).
constexpr std::int32_t kMaximumColumns = QWIDGETSIZE_MAX;

const QColor kOctaveLineColour(80, 96, 80);

} // namespace

TNoteMapBox::TNoteMapBox(QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("PaintBox1"));
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    // The gaps between the two-pixel rows show the black of the box.
    setAutoFillBackground(true);
    setFixedSize(0, kHeight);
}

void TNoteMapBox::SetStateSource(std::function<MapPaintState()> source) {
    stateSource_ = std::move(source);
    update();
}

void TNoteMapBox::CreateFourierMap(std::int32_t sliceCount) {
    fourierBitmap_ = QImage();
    const std::int32_t columns = std::max<std::int32_t>(sliceCount, 0);
    if (columns > kMaximumColumns) {
        throw TremolundrixError("Out of memory");
    }
    QImage picture(columns + 1, kBitmapRows, QImage::Format_Grayscale8);
    if (picture.isNull()) {
        throw TremolundrixError("Out of memory");
    }
    picture.fill(0);
    fourierBitmap_ = std::move(picture);
    setFixedWidth(columns);
    update();
}

int TNoteMapBox::GreyLevel(float cell, float scale) {
    // The product is formed in double; NaN (0 x infinity) counts as black.
    const double level = static_cast<double>(cell) * static_cast<double>(scale);
    if (!(level > 0.0)) {
        return 0;
    }
    // Levels beyond full scale come from cells above the maximum: white.
    if (level >= 255.0) {
        return 255;
    }
    return static_cast<int>(RoundHalfEven(level));
}

void TNoteMapBox::DrawNoteMap(const FloatMatrix& noteMap, float noteMapMaximum,
                              std::int32_t sliceCount, ProgressReporter& progress) {
    if (!fourierBitmap_.isNull()) {
        fourierBitmap_.fill(0);
    }
    // With no positive maximum there is no scale and the picture stays black.
    const bool drawable = noteMapMaximum > 0.0f && !fourierBitmap_.isNull();
    const float scale =
        drawable ? static_cast<float>(255.0 / static_cast<double>(noteMapMaximum)) : 0.0f;
    const std::int32_t columns =
        drawable ? std::min({sliceCount, noteMap.Rows(), fourierBitmap_.width()}) : 0;
    const std::int32_t bins = std::min(kNoteBins, noteMap.Cols());

    progress.SetStatusText("Creating analysis map");
    for (std::int32_t i = 0; i < kNoteBins; ++i) {
        progress.SetProgress(static_cast<double>(i) / 106.0);
        if (i >= bins) {
            continue;
        }
        uchar* line = fourierBitmap_.isNull() ? nullptr : fourierBitmap_.scanLine(i);
        for (std::int32_t j = 0; j < columns; ++j) {
            line[j] = static_cast<uchar>(GreyLevel(noteMap(j, i), scale));
        }
    }
    repaint();
    progress.ResetProgress();
}

void TNoteMapBox::paintEvent(QPaintEvent* event) {
    PaintBox1Paint(event);
}

void TNoteMapBox::PaintBox1Paint(QPaintEvent* event) {
    const MapPaintState state = stateSource_ ? stateSource_() : MapPaintState{};
    QPainter painter(this);
    if (state.LastAnalysedSlice == 0) {
        painter.fillRect(rect(), Qt::black);
    }
    if (state.AnalysisBusy || fourierBitmap_.isNull()) {
        return;
    }

    // Each bitmap row (one bin) stretched onto two pixel rows; only the
    // exposed columns are copied, as a long map repaints in narrow strips.
    const int width = std::min(state.SliceCount, fourierBitmap_.width());
    const int left = std::max(0, event->rect().left());
    const int right = std::min(width, event->rect().right() + 1);
    if (right > left) {
        for (int r = 0; r < kBitmapRows; ++r) {
            const int y = GetNoteY(static_cast<std::uint16_t>(r));
            painter.drawImage(QRect(left, y, right - left, 2), fourierBitmap_,
                              QRect(left, r, right - left, 1));
        }
    }

    // Octave lines between each B and the C above it.
    painter.setPen(QPen(kOctaveLineColour, 0));
    for (int o = 0; o <= 8; ++o) {
        const int y = GetNoteY(static_cast<std::uint16_t>(12 * o + 2)) - 4;
        painter.drawLine(0, y, this->width() - 1, y);
    }
}

} // namespace trx
