#include "app/ui/PictureAccessibility.h"

#include "analysis/ui/TAnalyserBox.h"
#include "analysis/ui/TKeyboardPicture.h"
#include "analysis/ui/TNoteMapBox.h"
#include "app/ui/ProgressPanel.h"
#include "common/Rounding.h"

#include <QAccessibleWidget>

namespace trx {

namespace {

class ProgressAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit ProgressAccessible(ProgressPanel* panel)
        : QAccessibleWidget(panel, QAccessible::ProgressBar, "Progress") {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ValueInterface ? static_cast<QAccessibleValueInterface*>(this)
                                                   : QAccessibleWidget::interface_cast(type);
    }
    QVariant currentValue() const override {
        return static_cast<int>(
            RoundHalfEven(static_cast<const ProgressPanel*>(widget())->Fraction() * 100.0));
    }
    void setCurrentValue(const QVariant& /*value*/) override {}
    QVariant maximumValue() const override { return 100; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }
};

QAccessibleInterface* Factory(const QString& /*className*/, QObject* object) {
    if (auto* panel = qobject_cast<ProgressPanel*>(object)) {
        return new ProgressAccessible(panel);
    }
    if (auto* box = qobject_cast<TAnalyserBox*>(object)) {
        return new QAccessibleWidget(box, QAccessible::Graphic, "Spectrum analyser");
    }
    if (auto* keys = qobject_cast<TKeyboardPicture*>(object)) {
        return new QAccessibleWidget(keys, QAccessible::Graphic, "Keyboard");
    }
    if (auto* map = qobject_cast<TNoteMapBox*>(object)) {
        return new QAccessibleWidget(map, QAccessible::Graphic, "Note map");
    }
    return nullptr;
}

} // namespace

void InstallPictureAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(Factory);
        return true;
    }();
    (void)installed;
}

} // namespace trx
