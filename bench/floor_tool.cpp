// The floor the whole-process benchmark compares against: a bare Qt Widgets
// program that starts and quits, plus N bare posix_spawn starts of a program.
//   floor_tool            start and quit only
//   floor_tool N PROGRAM  also spawn PROGRAM N times without waiting
#include <QApplication>
#include <QTimer>

#include <spawn.h>

#include <cstdlib>

extern char** environ;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int count = argc > 2 ? std::atoi(argv[1]) : 0;
    for (int i = 0; i < count; ++i) {
        pid_t pid = 0;
        char* args[] = {argv[2], nullptr};
        posix_spawnp(&pid, argv[2], nullptr, nullptr, args, environ);
    }
    QTimer::singleShot(0, &app, &QApplication::quit);
    return app.exec();
}
