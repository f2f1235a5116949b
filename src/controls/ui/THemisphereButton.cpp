#include "controls/ui/THemisphereButton.h"

#include "controls/ui/HemisphereButtonAccessible.h"

#include <QEvent>
#include <QKeyEvent>
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

// The published bevel values and the renderer's share their order.
HemisphereRing RingOf(THemisphereButton::THemisphereBevel bevel) {
    return static_cast<HemisphereRing>(bevel);
}

THemisphereButton::THemisphereBevel BevelOf(HemisphereRing ring) {
    return static_cast<THemisphereButton::THemisphereBevel>(ring);
}

bool IsEnterKey(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

THemisphereButton::THemisphereButton(QWidget* parent)
    : QWidget(parent) {
    static_assert(static_cast<int>(THemisphereBevel::hbRaised) ==
                  static_cast<int>(HemisphereRing::Raised));
    InstallHemisphereButtonAccessibility();
    setFocusPolicy(Qt::StrongFocus);
    resize(25, 25);
}

void THemisphereButton::Restyle() {
    stale_ = true;
    update();
}

template <class T>
void THemisphereButton::SetLook(T& field, const T& value) {
    if (field == value) {
        return;
    }
    field = value;
    Restyle();
}

void THemisphereButton::SetAllowAllUp(bool allowAllUp) {
    if (allowAllUp == allowAllUp_) {
        return;
    }
    allowAllUp_ = allowAllUp;
    for (THemisphereButton* mate : GroupMates()) {
        mate->allowAllUp_ = allowAllUp;
    }
}

void THemisphereButton::SetAttenControl(double atten) {
    SetLook(look_.attenControl, atten);
}

THemisphereButton::THemisphereBevel THemisphereButton::BevelInner() const {
    return BevelOf(look_.bevelInner);
}

void THemisphereButton::SetBevelInner(THemisphereBevel bevel) {
    SetLook(look_.bevelInner, RingOf(bevel));
}

THemisphereButton::THemisphereBevel THemisphereButton::BevelOuter() const {
    return BevelOf(look_.bevelOuter);
}

void THemisphereButton::SetBevelOuter(THemisphereBevel bevel) {
    SetLook(look_.bevelOuter, RingOf(bevel));
}

void THemisphereButton::SetBevelWidth(int width) {
    if (width > 0) {
        SetLook(look_.bevelWidth, width);
    }
}

void THemisphereButton::SetBorderColor(const QColor& color) {
    SetLook(look_.borderColor, color);
}

THemisphereButton::TBorderStyle THemisphereButton::BorderStyle() const {
    return look_.borderSingle ? TBorderStyle::bsSingle : TBorderStyle::bsNone;
}

void THemisphereButton::SetBorderStyle(TBorderStyle style) {
    SetLook(look_.borderSingle, style == TBorderStyle::bsSingle);
}

void THemisphereButton::SetCaption(const QString& caption) {
    SetLook(look_.caption, caption);
}

void THemisphereButton::SetDown(bool down) {
    if (down == down_) {
        return;
    }
    down_ = down;
    update();
}

QColor THemisphereButton::FaceColor() const {
    return {look_.faceRed, look_.faceGreen, look_.faceBlue};
}

void THemisphereButton::SetFaceColor(const QColor& color) {
    const QRgb rgb = color.rgb();
    if (rgb == FaceColor().rgb()) {
        return;
    }
    look_.faceRed = static_cast<std::uint8_t>(qRed(rgb));
    look_.faceGreen = static_cast<std::uint8_t>(qGreen(rgb));
    look_.faceBlue = static_cast<std::uint8_t>(qBlue(rgb));
    Restyle();
}

void THemisphereButton::SetFaceShaded(bool shaded) {
    SetLook(look_.faceShaded, shaded);
}

void THemisphereButton::SetFaceTransparent(bool transparent) {
    SetLook(look_.faceTransparent, transparent);
}

void THemisphereButton::SetGlyph(const QImage& glyph) {
    // Kept opaque, so that colours compare as the strip shows them.
    const QImage copy = glyph.isNull() ? QImage() : glyph.convertToFormat(QImage::Format_RGB32);
    if (copy == look_.glyph) {
        return;
    }
    look_.glyph = copy;
    const bool strip = !copy.isNull() && copy.height() != 0 && copy.width() % copy.height() == 0;
    look_.numGlyphs = strip ? copy.width() / copy.height() : 1;
    look_.glyphIndex = 1;
    Restyle();
}

void THemisphereButton::SetGlyphIndex(int index) {
    if (index >= 1 && index <= look_.numGlyphs) {
        SetLook(look_.glyphIndex, index);
    }
}

void THemisphereButton::SetGlyphShaded(bool shaded) {
    SetLook(look_.glyphShaded, shaded);
}

void THemisphereButton::SetGlyphMapped(bool mapped) {
    SetLook(look_.glyphMapped, mapped);
}

void THemisphereButton::SetGlyphTransparent(bool transparent) {
    SetLook(look_.glyphTransparent, transparent);
}

void THemisphereButton::SetGroupIndex(int index) {
    groupIndex_ = index;
}

void THemisphereButton::SetNumGlyphs(int count) {
    // None would leave no cell width to divide the strip by.
    if (count > 0) {
        SetLook(look_.numGlyphs, count);
    }
}

bool THemisphereButton::HitTest(QPoint point) const {
    const double inset = static_cast<double>(look_.bevelWidth) * BevelCount(look_);
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

const HemispherePictures& THemisphereButton::Pictures() const {
    if (!stale_ && builtSize_ == size()) {
        return pictures_;
    }
    HemisphereLook look = look_;
    look.width = width();
    look.height = height();
    look.font = font();
    look.greyed = !isEnabled();
    look.textColor = palette().color(QPalette::Active, QPalette::ButtonText);
    pictures_ = RenderHemisphere(look);
    outComposed_ = ComposeThroughMask(pictures_.out, pictures_.mask);
    inComposed_ = ComposeThroughMask(pictures_.in, pictures_.mask);
    builtSize_ = size();
    stale_ = false;
    return pictures_;
}

void THemisphereButton::paintEvent(QPaintEvent* /*event*/) {
    if (Pictures().out.isNull()) {
        return;
    }
    QPainter painter(this);
    painter.drawImage(0, 0, down_ ? inComposed_ : outComposed_);
    if (hasFocus()) {
        // A dotted ring just inside the face, clear of the caption.
        const int inset = BevelCount(look_) * look_.bevelWidth + 1;
        const QRect ring = rect().adjusted(inset, inset, -inset - 1, -inset - 1);
        if (ring.width() > 2 && ring.height() > 2) {
            painter.setPen(QPen(palette().color(QPalette::ButtonText), 1.0, Qt::DotLine));
            painter.drawEllipse(ring);
        }
    }
}

void THemisphereButton::BeginPress(QMouseEvent* event, bool doubleClick) {
    if (!isEnabled() || !HitTest(PixelOf(event))) {
        // Outside the ellipse the press belongs to whatever lies behind.
        event->ignore();
        return;
    }
    event->accept();
    if (event->button() != Qt::LeftButton || spaceHeld_) {
        return;
    }
    tracking_ = true;
    StartPress();
    if (doubleClick) {
        emit doubleClicked();
    }
}

void THemisphereButton::StartPress() {
    downAtPress_ = down_;
    SetDown(true);
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
    FinishPress();
}

void THemisphereButton::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key != Qt::Key_Space && !IsEnterKey(key)) {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    if (event->isAutoRepeat() || tracking_ || spaceHeld_) {
        return;
    }
    if (key == Qt::Key_Space) {
        // Down while held, the click on release, like the mouse.
        spaceHeld_ = true;
        StartPress();
    } else {
        Click();
    }
}

void THemisphereButton::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Space) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    event->accept();
    if (event->isAutoRepeat() || !spaceHeld_) {
        return;
    }
    spaceHeld_ = false;
    FinishPress();
}

void THemisphereButton::Click() {
    if (!isEnabled() || tracking_ || spaceHeld_) {
        return;
    }
    StartPress();
    FinishPress();
}

void THemisphereButton::FinishPress() {
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

void THemisphereButton::focusOutEvent(QFocusEvent* event) {
    if (spaceHeld_) {
        spaceHeld_ = false;
        SetDown(downAtPress_);
    }
    QWidget::focusOutEvent(event);
}

void THemisphereButton::changeEvent(QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::EnabledChange && !isEnabled()) {
        CancelTracking();
    }
    if (type == QEvent::EnabledChange || type == QEvent::FontChange ||
        type == QEvent::PaletteChange) {
        Restyle();
    }
    QWidget::changeEvent(event);
}

void THemisphereButton::hideEvent(QHideEvent* event) {
    CancelTracking();
    QWidget::hideEvent(event);
}

void THemisphereButton::CancelTracking() {
    if (tracking_ || spaceHeld_) {
        tracking_ = false;
        spaceHeld_ = false;
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
