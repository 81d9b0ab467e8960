#pragma once
// What the task runner shows, over real windows: the status lines in LaunchWindow's
// label, the caption on an optional window (the main window in editing mode;
// none in start-up mode, where the main window is never created), and the
// application's pointer.

#include "launcher/runner.h"

class QWidget;

namespace velmora {

class LaunchWindow;

class StatusView final : public RunnerView {
public:
    explicit StatusView(LaunchWindow& form, QWidget* captionWindow = nullptr);

    void setStatusText(const QString& text) override;
    void setCaption(const QString& caption) override;
    void setBusyPointer(bool busy) override;
    // One pass over the pending window events; repaints queued by the text
    // changes are handled there, merged.
    void yieldOnce() override;

private:
    LaunchWindow& m_form;
    QWidget* m_captionWindow;
};

}  // namespace velmora
