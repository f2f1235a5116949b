#include "editor/ui/TPianoRoll.h"

#include <QPainter>

#include <algorithm>

namespace trx {

TPianoRoll::TPianoRoll(QWidget* parent)
    : TPaintBox(parent) {
    setObjectName(QStringLiteral("NotesPB"));
    setMouseTracking(true);
}

void TPianoRoll::DrawGhost(int x, int y, int width) {
    if (ghostBitmap_.isNull() || ghostBitmap_.width() != width) {
        ghostBitmap_ = QImage(std::max(width, 0), kGhostHeight, QImage::Format_RGB32);
        ghostBitmap_.fill(Qt::white);
    }
    ghostShown_ = true;
    ghostX_ = x;
    ghostY_ = y;
    update();
}

void TPianoRoll::EraseGhost() {
    if (!ghostShown_)
        return;
    ghostShown_ = false;
    update();
}

QPoint TPianoRoll::Clamped(QPoint point) const {
    return {std::clamp(point.x(), 0, std::max(width() - 1, 0)),
            std::clamp(point.y(), 0, std::max(height() - 1, 0))};
}

void TPianoRoll::PaintOverlay(QPainter& canvas) {
    if (!ghostShown_ || ghostBitmap_.isNull())
        return;
    canvas.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    canvas.drawImage(ghostX_, ghostY_ - kGhostHeight / 2, ghostBitmap_);
    canvas.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

} // namespace trx
