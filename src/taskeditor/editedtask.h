#pragma once
// Which task the task editor works on: 0 for a new task, 1..999 for the task
// of that number. One instance, owned by the main window and handed to the
// editor it opens.

#include <cstdint>

namespace velmora {

struct EditedTaskState {
    std::int16_t EditedTask = 0;
};

}  // namespace velmora
