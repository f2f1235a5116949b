#include "editor/ui/TPaintBox.h"

#include <QPainter>

#include <utility>

namespace trx {

TPaintBox::TPaintBox(QWidget* parent)
    : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TPaintBox::SetPaint(std::function<void(QPainter&)> paint) {
    paint_ = std::move(paint);
    update();
}

void TPaintBox::PaintOverlay(QPainter& /*canvas*/) {}

void TPaintBox::paintEvent(QPaintEvent* /*event*/) {
    if (canvas_.size() != size())
        canvas_ = QImage(size(), QImage::Format_RGB32);
    if (canvas_.isNull())
        return;
    {
        QPainter canvas(&canvas_);
        if (paint_)
            paint_(canvas);
        else
            canvas.fillRect(rect(), Qt::white);
        PaintOverlay(canvas);
    }
    QPainter(this).drawImage(0, 0, canvas_);
}

} // namespace trx
