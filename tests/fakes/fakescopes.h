#pragma once
// Scopes that record what they are given instead of asking systemd.

#include "process/processscopes.h"

#include <QString>

#include <utility>
#include <vector>

namespace velmora::testing {

class FakeScopes final : public ProcessScopes {
public:
    std::vector<std::pair<QString, pid_t>> adopted;
    void adopt(const QString& name, pid_t pid) override { adopted.emplace_back(name, pid); }
};

}  // namespace velmora::testing
