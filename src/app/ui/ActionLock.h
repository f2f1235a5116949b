#pragma once

#include <QList>
#include <QPair>
#include <QPointer>

class QAction;
class QMenuBar;
class QWidget;

namespace trx {

// Disables every action of a menu bar, submenus and their short-cuts
// included, and gives each back the enabled state it had.
class ActionLock {
public:
    explicit ActionLock(QMenuBar& menuBar);
    ActionLock(const ActionLock&) = delete;
    ActionLock& operator=(const ActionLock&) = delete;
    // Releases the lock if Release was not called.
    ~ActionLock();

    // Restores the enabled states now; later calls do nothing.
    void Release();

private:
    void Lock(const QList<QAction*>& actions);

    QList<QPair<QPointer<QAction>, bool>> states_;
    bool locked_ = false;
};

// Sets the enabled state of every control inside container, depth first;
// container itself and windows inside it keep theirs.
void SetControlsEnabled(QWidget* container, bool enabled);

} // namespace trx
