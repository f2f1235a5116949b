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
// container itself, windows inside it and placeholders keep theirs.
void SetControlsEnabled(QWidget* container, bool enabled);

// Marks an inert stand-in for a command that is not available yet: it is
// disabled now and SetControlsEnabled never enables it.
void MarkPlaceholder(QWidget& placeholder);

} // namespace trx
