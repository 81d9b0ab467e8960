#pragma once
// A machine whose load a test scripts: it settles at the look the test names
// (or never), and its time passes only when the test says so.

#include "launcher/settle.h"

namespace velmora::testing {

class FakeSettle final : public SettleDetector {
public:
    int window = 200;
    int settlesAtLook = 0;  // 1 for the first look after restart(); 0: never
    int looks = 0;          // since the last restart()
    int restarts = 0;
    qint64 elapsed = 0;  // since the last restart()

    void pass(qint64 ms) { elapsed += ms; }

    void restart() override {
        ++restarts;
        looks = 0;
        elapsed = 0;
    }
    int windowMs() const override { return window; }
    qint64 elapsedMs() const override { return elapsed; }
    bool settled() override {
        ++looks;
        return settlesAtLook > 0 && looks >= settlesAtLook;
    }
};

}  // namespace velmora::testing
