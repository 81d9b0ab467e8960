// Entry point of every window test: real widgets on the offscreen platform,
// which also holds when ctest lists the tests at build time without a display.
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

// A modal window that nobody answers would hold the test until ctest's
// timeout and say nothing about which window it was. Tests answer their
// modals within milliseconds; one still open after a few seconds fails the
// running test by name and is closed, so that the test goes on to its end.
class UnansweredModalWatch {
public:
    static constexpr int kPatienceMs = 5000;

    UnansweredModalWatch() {
        m_poll.setInterval(100);
        QObject::connect(&m_poll, &QTimer::timeout, [this] { check(); });
        m_poll.start();
    }

private:
    void check() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != m_modal) {
            m_modal = modal;
            m_since.start();
            return;
        }
        if (!modal || m_since.elapsed() < kPatienceMs) return;
        ADD_FAILURE() << "a modal window was left unanswered: " << modal->metaObject()->className() << " \""
                      << modal->windowTitle().toStdString() << "\"";
        if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
        else modal->close();
        m_modal = nullptr;
    }

    QTimer m_poll;
    QPointer<QWidget> m_modal;
    QElapsedTimer m_since;
};

}  // namespace

int main(int argc, char** argv) {
    // Options of the offscreen platform (a screen of another resolution) stay.
    if (!qgetenv("QT_QPA_PLATFORM").startsWith("offscreen")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    UnansweredModalWatch watch;
    return RUN_ALL_TESTS();
}
