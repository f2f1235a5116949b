#pragma once

#include <QObject>
#include <QWidget>

// The child of parent with that object name; ends the test program when
// there is none, so a renamed control fails loudly instead of crashing later.
template <typename T = QWidget>
T* NamedChild(const QObject& parent, const char* name) {
    T* child = parent.findChild<T*>(name);
    if (child == nullptr) {
        qFatal("no child %s", name);
    }
    return child;
}
