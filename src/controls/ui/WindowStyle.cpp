#include "controls/ui/WindowStyle.h"

#include "controls/ui/THemisphereButton.h"

#include <QPalette>
#include <QWidget>

namespace trx {

QColor WindowStyle::FormColor() {
    return {192, 224, 192};
}

QColor WindowStyle::ButtonFace() {
    return {240, 202, 166};
}

QColor WindowStyle::HintColor() {
    return {224, 255, 224};
}

void WindowStyle::PaintBackground(QWidget& widget, const QColor& color) {
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, color);
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
}

void WindowStyle::ApplyFormColor(QWidget& widget) {
    PaintBackground(widget, FormColor());
}

THemisphereButton* MakeRoundButton(QWidget* parent, const char* name, const QString& caption,
                                   const QString& hint, const QRect& geometry) {
    auto* button = new THemisphereButton(parent);
    button->setObjectName(name);
    button->setGeometry(geometry);
    button->SetCaption(caption);
    if (!hint.isEmpty())
        button->SetHint(hint);
    button->SetFaceColor(WindowStyle::ButtonFace());
    return button;
}

} // namespace trx
