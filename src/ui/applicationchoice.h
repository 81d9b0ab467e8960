#pragma once
// What choosing an application for a task can come back with: the value that
// the application chooser hands to whoever opened it.

#include "desktop/applications.h"

namespace velmora {

struct ApplicationChoice {
    enum class Kind {
        Cancelled,
        Application,  // `application` was chosen
        File,         // the user asked for the file-open dialog instead
    };
    Kind kind = Kind::Cancelled;
    InstalledApplication application;  // for Application only
};

}  // namespace velmora
