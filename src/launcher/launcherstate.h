#pragma once
// The launcher state shared by the start-up sequence, the selection window and
// the task runner. One instance lives for the whole run and is handed to each
// of them; waits block on changes() instead of polling.

#include <QObject>
#include <QString>

namespace velmora {

class LauncherState : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // A timed wait is in progress; cleared by the wait timer or by Enter.
    bool KeyWait() const { return m_keyWait; }
    void setKeyWait(bool on) {
        if (m_keyWait == on) return;
        m_keyWait = on;
        emit changed();
    }

    // The configuration letter chosen in the selection window; "" while none.
    const QString& PressedKey() const { return m_pressedKey; }
    void setPressedKey(const QString& key) {
        if (m_pressedKey == key) return;
        m_pressedKey = key;
        emit changed();
    }

    // The active launch configuration; "" lets every task pass the key test.
    const QString& LaunchKey() const { return m_launchKey; }
    void setLaunchKey(const QString& key) { m_launchKey = key; }

signals:
    void changed();

private:
    bool m_keyWait = false;
    QString m_pressedKey;
    QString m_launchKey;
};

}  // namespace velmora
