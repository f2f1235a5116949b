#pragma once

#include "analysis/ui/MapPaintState.h"
#include "common/FloatMatrix.h"
#include "common/ProgressReporter.h"

#include <QImage>
#include <QWidget>

#include <cstdint>
#include <functional>

namespace trx {

// The analysis map ("PaintBox1"): the note map as a grey-scale picture, one
// pixel column per slice and one two-pixel row per note bin, placed at the
// keyboard rows of GetNoteY, with octave lines. It owns FourierBitmap (109
// rows, one per bin plus two never drawn into; slice count + 1 columns) but
// keeps no copy of the maps: they are passed to DrawNoteMap.
class TNoteMapBox : public QWidget {
    Q_OBJECT

public:
    static constexpr int kBitmapRows = 109;
    static constexpr int kHeight = 512;

    explicit TNoteMapBox(QWidget* parent = nullptr);

    // Where paint events read SliceCount, LastAnalysedSlice and AnalysisBusy.
    // Without a source the box paints as before any analysis.
    void SetStateSource(std::function<MapPaintState()> source);

    // Replaces FourierBitmap by a black one sliceCount + 1 columns wide and
    // makes the box sliceCount pixels wide. Throws TremolundrixError when the
    // picture cannot be allocated; there is then no FourierBitmap.
    void CreateFourierMap(std::int32_t sliceCount);

    // Draws noteMap (rows = slices, columns = bins) into FourierBitmap as grey
    // levels scaled so that noteMapMaximum is white, then refreshes the box.
    // Cells above the maximum show white; a maximum of 0 leaves it black.
    void DrawNoteMap(const FloatMatrix& noteMap, float noteMapMaximum, std::int32_t sliceCount,
                     ProgressReporter& progress);

    // Null when there is none.
    [[nodiscard]] const QImage& FourierBitmap() const { return fourierBitmap_; }

    // Grey level 0..255 of one cell at the given scale (255 / maximum).
    [[nodiscard]] static int GreyLevel(float cell, float scale);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void PaintBox1Paint(QPaintEvent* event);

    QImage fourierBitmap_;
    std::function<MapPaintState()> stateSource_;
};

} // namespace trx
