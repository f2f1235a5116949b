#pragma once

#include "editor/ui/TPaintBox.h"

#include <QImage>
#include <QPoint>

namespace trx {

// The editor's piano roll ("NotesPB"), with the preview bar of a drag
// ("ghost") drawn over its picture by inverting the pixels beneath it. The
// ghost is part of every paint, so exposing the roll never leaves a stale
// bar or erases it by accident.
class TPianoRoll : public TPaintBox {
    Q_OBJECT

public:
    static constexpr int kGhostHeight = 4;

    explicit TPianoRoll(QWidget* parent = nullptr);

    // Shows the preview bar with its top-left corner at (x, y - 2), width
    // pixels wide, in place of any shown before.
    void DrawGhost(int x, int y, int width);
    // Hides the preview bar, if shown.
    void EraseGhost();
    [[nodiscard]] bool GhostShown() const { return ghostShown_; }
    // Left x and row y where the bar was last drawn.
    [[nodiscard]] QPoint GhostPosition() const { return {ghostX_, ghostY_}; }
    [[nodiscard]] int GhostWidth() const { return ghostBitmap_.width(); }

    // point moved into the roll: a drag holds the mouse, so its moves also
    // come from outside.
    [[nodiscard]] QPoint Clamped(QPoint point) const;

protected:
    void PaintOverlay(QPainter& canvas) override;

private:
    bool ghostShown_ = false;
    int ghostX_ = 0;
    int ghostY_ = 0;
    // Created on first use; white, kGhostHeight pixels high.
    QImage ghostBitmap_;
};

} // namespace trx
