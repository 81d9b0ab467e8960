#pragma once
// Which icon stands for a task in the launch list, decided from its command
// alone: the names to ask the icon theme for, and the image file an entry may
// name instead. Window-free; the list turns the answer into a picture.

#include <QString>
#include <QStringList>

namespace velmora {

// The theme's name for a program that has no icon of its own.
inline const QString kGenericProgramIcon = QStringLiteral("application-x-executable");

struct TaskIcon {
    QString file;            // an existing image file to show first; "" when none
    QStringList themeNames;  // icon theme names to try in order; never empty

    bool operator==(const TaskIcon&) const = default;
};

// The icon for a task whose command is `command`, split as the launcher splits
// it:
// - a Desktop Entry (the program is a readable file whose name ends in
//   ".desktop"): its Icon value, an existing file when it is an absolute
//   path, else a theme name (an image extension written after it, as some
//   entries do, is dropped), followed by the file name of the program its
//   Exec starts;
// - any other command: the file name of its program ("xterm" for
//   "/usr/bin/xterm -ls");
// then kGenericProgramIcon, which is also all there is for an empty command.
// Names are given once each.
TaskIcon taskIcon(const QString& command);

}  // namespace velmora
