#include "app/ui/ActionLock.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

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

} // namespace trx
