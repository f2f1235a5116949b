#pragma once

#include <QImage>
#include <QWidget>

#include <functional>

class QPainter;

namespace trx {

// A white box whose picture is painted, at every paint event, by the
// function it is given, into a picture of its own size. The picture is a
// raster image, so overlays may combine with it pixel by pixel.
class TPaintBox : public QWidget {
    Q_OBJECT

public:
    explicit TPaintBox(QWidget* parent = nullptr);

    // Called with a painter on the whole picture, width() x height().
    void SetPaint(std::function<void(QPainter&)> paint);

protected:
    void paintEvent(QPaintEvent* event) override;
    // Drawn over the picture after the paint function.
    virtual void PaintOverlay(QPainter& canvas);

private:
    std::function<void(QPainter&)> paint_;
    QImage canvas_;
};

} // namespace trx
