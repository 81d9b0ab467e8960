#pragma once
// The status of a run that shows no status window ("/NODISP"): the runner's
// text is kept for the runner alone and nothing is drawn, so such a run needs
// no window toolkit at all.

#include "launcher/runner.h"

#include <QString>

namespace velmora {

class HiddenStatus final : public RunnerView {
public:
    // The text starts empty: a hidden status window never gets the header.
    QString statusText() const override { return m_text; }
    void setStatusText(const QString& text) override { m_text = text; }
    void setCaption(const QString&) override {}
    void setBusyPointer(bool) override {}
    void yieldOnce() override {}

private:
    QString m_text;
};

}  // namespace velmora
