#pragma once

#include <QColor>
#include <QRect>
#include <QString>

class QWidget;

namespace trx {

class THemisphereButton;

// The look every window of the program shares.
namespace WindowStyle {

// Background of the forms and dialogs.
[[nodiscard]] QColor FormColor();
// Face of the ordinary command buttons.
[[nodiscard]] QColor ButtonFace();
// Background of the hints.
[[nodiscard]] QColor HintColor();

// Fills widget's background with color.
void PaintBackground(QWidget& widget, const QColor& color);
// The form colour as widget's background.
void ApplyFormColor(QWidget& widget);

} // namespace WindowStyle

// A round command button on parent: named, placed, captioned, with its hint
// and the ordinary button face.
THemisphereButton* MakeRoundButton(QWidget* parent, const char* name, const QString& caption,
                                   const QString& hint, const QRect& geometry);

} // namespace trx
