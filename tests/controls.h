#pragma once
// Window tests reach a window's controls by their object names, the names a
// window states in its header, never through its members.

#include <QLatin1String>
#include <QObject>
#include <QWidget>

#include <gtest/gtest.h>

namespace velmora::testing {

// The control of type T named `name` among the children of `window`, at any
// depth. A missing one fails the running test; a stand-in of that name is
// then made a child of `window` and returned, so that the test goes on to
// report its other expectations instead of crashing on nothing.
template <typename T>
T* control(QWidget* window, const char* name) {
    if (T* found = window->findChild<T*>(QLatin1String(name))) return found;
    ADD_FAILURE() << window->metaObject()->className() << " has no " << T::staticMetaObject.className()
                  << " named \"" << name << '"';
    auto* standIn = new T(window);
    standIn->setObjectName(QLatin1String(name));
    return standIn;
}

}  // namespace velmora::testing
