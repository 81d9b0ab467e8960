#pragma once
// The status of a run that shows no status window ("/NODISP"): nothing is
// drawn and nothing is kept, so such a run needs no window toolkit at all.

#include "launcher/runner.h"

#include <QString>

namespace velmora {

class HiddenStatus final : public RunnerView {
public:
    void setStatusText(const QString&) override {}
    void setCaption(const QString&) override {}
    void setBusyPointer(bool) override {}
    void yieldOnce() override {}
};

}  // namespace velmora
