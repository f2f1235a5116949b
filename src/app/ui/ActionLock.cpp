#include "app/ui/ActionLock.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

namespace trx {

ActionLock::ActionLock(QMenuBar& menuBar) {
    Lock(menuBar.actions());
    locked_ = true;
}

ActionLock::~ActionLock() {
    Release();
}

void ActionLock::Lock(const QList<QAction*>& actions) {
    for (QAction* action : actions) {
        if (action->isSeparator()) {
            continue;
        }
        states_.append({action, action->isEnabled()});
        if (QMenu* menu = action->menu()) {
            Lock(menu->actions());
        }
        action->setEnabled(false);
    }
}

void ActionLock::Release() {
    if (!locked_) {
        return;
    }
    locked_ = false;
    // Submenu items were recorded after their menu; giving them back in
    // reverse keeps each one's own state.
    for (auto it = states_.crbegin(); it != states_.crend(); ++it) {
        if (!it->first.isNull()) {
            it->first->setEnabled(it->second);
        }
    }
    states_.clear();
}

namespace {

constexpr char kPlaceholder[] = "trxPlaceholder";

} // namespace

void MarkPlaceholder(QWidget& placeholder) {
    placeholder.setProperty(kPlaceholder, true);
    placeholder.setEnabled(false);
}

void SetControlsEnabled(QWidget* container, bool enabled) {
    if (container == nullptr) {
        return;
    }
    const QList<QWidget*> children =
        container->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    for (QWidget* child : children) {
        if (!child->isWindow() && !child->property(kPlaceholder).toBool()) {
            SetControlsEnabled(child, enabled);
            child->setEnabled(enabled);
        }
    }
}

} // namespace trx
