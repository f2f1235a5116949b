#include "controls/ui/HemisphereButtonAccessible.h"

#include "controls/ui/THemisphereButton.h"

#include <QAccessibleWidget>

namespace trx {

namespace {

class HemisphereButtonAccessible : public QAccessibleWidget {
public:
    explicit HemisphereButtonAccessible(THemisphereButton* button)
        : QAccessibleWidget(button, QAccessible::Button) {}

    [[nodiscard]] QString text(QAccessible::Text t) const override {
        const auto* button = static_cast<const THemisphereButton*>(widget());
        if (t == QAccessible::Name && button->accessibleName().isEmpty()) {
            return button->Caption();
        }
        if (t == QAccessible::Description && button->accessibleDescription().isEmpty()) {
            return button->Hint();
        }
        return QAccessibleWidget::text(t);
    }

    [[nodiscard]] QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.pressed = static_cast<const THemisphereButton*>(widget())->Down();
        return s;
    }

    [[nodiscard]] QStringList actionNames() const override {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& name) override {
        if (name == pressAction()) {
            static_cast<THemisphereButton*>(widget())->Click();
        } else {
            QAccessibleWidget::doAction(name);
        }
    }
};

QAccessibleInterface* Factory(const QString& className, QObject* object) {
    if (className == QLatin1String(THemisphereButton::staticMetaObject.className()) &&
        object->isWidgetType()) {
        return new HemisphereButtonAccessible(static_cast<THemisphereButton*>(object));
    }
    return nullptr;
}

} // namespace

void InstallHemisphereButtonAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(Factory);
        return true;
    }();
    (void)installed;
}

} // namespace trx
