#pragma once

#include "common/Constants.h"
#include "notes/AnalyserObserver.h"

#include <QElapsedTimer>
#include <QImage>
#include <QWidget>

#include <cstdint>
#include <span>

namespace trx {

// The live spectrum analyser ("ampsPB", 64 x 512): while note filtering runs
// it shows the current slice's magnitudes as bars, red for what was measured
// and white for what filtering kept. Any repaint other than the one a kept
// pass asks for paints it black, which is what clears it after a run.
class TAnalyserBox : public QWidget, public AnalyserObserver {
    Q_OBJECT

public:
    static constexpr int kBitmapWidth = 65;
    static constexpr int kBitmapHeight = 513;
    // Milliseconds between two showings of a run's bitmap.
    static constexpr qint64 kFrameInterval = 30;

    explicit TAnalyserBox(QWidget* parent = nullptr);

    // Called when a filtering run with the analyser on starts: a new black
    // AnalyserBitmap; the raw pass draws bins firstNoteBin..106.
    void BeginAnalyserRun(std::int32_t firstNoteBin);
    // Frees AnalyserBitmap and repaints the box black.
    void EndAnalyserRun();

    // Raw pass: red bars of the measured row, cleared to black beyond them.
    // Kept pass: white bars of what filtering stores, then the bitmap is shown
    // at once (filtering does not return to the event loop between slices),
    // unless it was shown less than kFrameInterval ago: the screen follows
    // at the display's pace while every slice is still drawn.
    // Bar lengths are row values in pixels, rounded half to even.
    void DrawAnalyser(std::span<const float, kNoteBins> row, AnalyserPass pass) override;

    // Null outside a run.
    [[nodiscard]] const QImage& AnalyserBitmap() const { return analyserBitmap_; }

    // Pixels a bar of this value covers: 0..65.
    [[nodiscard]] static int BarLength(float value);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void ampsPBPaint();
    void DrawBar(int y, int from, int to, QRgb colour);

    QImage analyserBitmap_;
    std::int32_t firstNoteBin_ = 0;
    // Set only for the repaint a kept pass asks for.
    bool showBitmap_ = false;
    // Since the bitmap was last shown; invalid before the run's first.
    QElapsedTimer sinceShown_;
};

} // namespace trx
