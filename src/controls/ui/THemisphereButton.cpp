#include "controls/ui/THemisphereButton.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

#include <cmath>

namespace trx {

namespace {

// Mouse positions arrive as reals; the hit test works on the pixel under the
// pointer.
QPoint PixelOf(const QMouseEvent* event) {
    const QPointF p = event->position();
    return {static_cast<int>(std::floor(p.x())), static_cast<int>(std::floor(p.y()))};
}

} // namespace

THemisphereButton::THemisphereButton(QWidget* parent)
    : QWidget(parent) {
    resize(25, 25);
}

void THemisphereButton::SetAllowAllUp(bool allowAllUp) {
    if (allowAllUp == allowAllUp_) {
        return;
    }
    allowAllUp_ = allowAllUp;
    if (groupIndex_ != 0) {
        for (THemisphereButton* mate : GroupMates()) {
            mate->allowAllUp_ = allowAllUp;
        }
    }
    update();
}

void THemisphereButton::SetBevelInner(THemisphereBevel bevel) {
    if (bevel == bevelInner_) {
        return;
    }
    bevelInner_ = bevel;
    update();
}

void THemisphereButton::SetBevelOuter(THemisphereBevel bevel) {
    if (bevel == bevelOuter_) {
        return;
    }
    bevelOuter_ = bevel;
    update();
}

void THemisphereButton::SetBevelWidth(int width) {
    if (width <= 0 || width == bevelWidth_) {
        return;
    }
    bevelWidth_ = width;
    update();
}

void THemisphereButton::SetCaption(const QString& caption) {
    if (caption == caption_) {
        return;
    }
    caption_ = caption;
    update();
}

void THemisphereButton::SetDown(bool down) {
    if (down == down_) {
        return;
    }
    down_ = down;
    update();
}

void THemisphereButton::SetFaceColor(const QColor& color) {
    if (color == faceColor_) {
        return;
    }
    faceColor_ = color;
    update();
}

void THemisphereButton::SetGroupIndex(int index) {
    if (index == groupIndex_) {
        return;
    }
    groupIndex_ = index;
    update();
}

bool THemisphereButton::HitTest(QPoint point) const {
    int bevels = 0;
    bevels += bevelOuter_ != THemisphereBevel::hbNone ? 1 : 0;
    bevels += bevelInner_ != THemisphereBevel::hbNone ? 1 : 0;
    const double inset = static_cast<double>(bevelWidth_) * bevels;
    const double cx = width() / 2.0;
    const double cy = height() / 2.0;
    const double rx = cx - inset;
    const double ry = cy - inset;
    // A button no larger than its bevels has no face to hit.
    if (rx <= 0.0 || ry <= 0.0) {
        return false;
    }
    const double dx = (point.x() - cx) / rx;
    const double dy = (point.y() - cy) / ry;
    return dx * dx + dy * dy <= 1.0;
}

void THemisphereButton::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor face = faceColor_;
    QColor text = palette().color(QPalette::ButtonText);
    if (!isEnabled()) {
        const int grey = qGray(face.rgb());
        face = QColor(grey, grey, grey).lighter(115);
        text = palette().color(QPalette::Disabled, QPalette::ButtonText);
    } else if (down_) {
        face = face.darker(135);
    }
    const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(face.darker(160), 1.0));
    painter.setBrush(face);
    painter.drawEllipse(bounds);
    if (!caption_.isEmpty()) {
        painter.setPen(text);
        painter.setFont(font());
        QRect textRect = rect();
        if (down_) {
            textRect.translate(1, 1);
        }
        painter.drawText(textRect, Qt::AlignCenter, caption_);
    }
}

void THemisphereButton::BeginPress(QMouseEvent* event, bool doubleClick) {
    if (!isEnabled() || !HitTest(PixelOf(event))) {
        // Outside the ellipse the press belongs to whatever lies behind.
        event->ignore();
        return;
    }
    event->accept();
    if (event->button() != Qt::LeftButton) {
        return;
    }
    tracking_ = true;
    downAtPress_ = down_;
    SetDown(true);
    if (doubleClick) {
        emit doubleClicked();
    }
}

void THemisphereButton::mousePressEvent(QMouseEvent* event) {
    BeginPress(event, false);
}

void THemisphereButton::mouseDoubleClickEvent(QMouseEvent* event) {
    BeginPress(event, true);
}

void THemisphereButton::mouseMoveEvent(QMouseEvent* event) {
    if (tracking_ && !downAtPress_) {
        SetDown(HitTest(PixelOf(event)));
    }
    event->accept();
}

void THemisphereButton::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (!tracking_ || event->button() != Qt::LeftButton) {
        return;
    }
    tracking_ = false;
    if (!HitTest(PixelOf(event))) {
        // Released outside: no click, and the button shows what it showed
        // before the press even when no move reached it on the way out.
        SetDown(downAtPress_);
        return;
    }
    // The click handler may hide this button or run a modal window.
    const QPointer<THemisphereButton> self(this);
    emit clicked();
    if (self.isNull()) {
        return;
    }
    if (groupIndex_ == 0) {
        SetDown(false);
    } else if (allowAllUp_ || !downAtPress_) {
        for (THemisphereButton* mate : GroupMates()) {
            mate->SetDown(false);
        }
        SetDown(!downAtPress_);
    }
}

void THemisphereButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        if (!isEnabled()) {
            CancelTracking();
        }
        update();
    } else if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange) {
        update();
    }
    QWidget::changeEvent(event);
}

void THemisphereButton::hideEvent(QHideEvent* event) {
    CancelTracking();
    QWidget::hideEvent(event);
}

void THemisphereButton::CancelTracking() {
    if (tracking_) {
        tracking_ = false;
        SetDown(downAtPress_);
    }
}

QList<THemisphereButton*> THemisphereButton::GroupMates() const {
    QList<THemisphereButton*> mates;
    if (groupIndex_ == 0) {
        return mates;
    }
    for (THemisphereButton* button : window()->findChildren<THemisphereButton*>()) {
        if (button != this && button->groupIndex_ == groupIndex_) {
            mates.append(button);
        }
    }
    return mates;
}

} // namespace trx
