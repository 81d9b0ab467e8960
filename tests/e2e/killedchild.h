#pragma once
// Tests of what a SIGKILL leaves behind. The killed process is the test
// program itself, started again with a switch that makes it a child doing
// one piece of work; it says "ready" once the kill may land, and the test
// kills it at a moment of its choosing.

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QString>

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <csignal>
#include <cstring>

#include <unistd.h>

namespace velmora::testing {

// In the child: tells the test that the work has begun. False when standard
// output is gone.
inline bool announceReady() {
    const char ready[] = "ready\n";
    return ::write(STDOUT_FILENO, ready, sizeof ready - 1) == ssize_t(sizeof ready - 1);
}

// Starts this program again as `childSwitch argument` and waits until it has
// said "ready".
inline ::testing::AssertionResult startChild(QProcess& child, const char* childSwitch,
                                             const QString& argument) {
    child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(childSwitch), argument});
    if (!child.waitForStarted(10000)) return ::testing::AssertionFailure() << "the child did not start";
    QByteArray said;
    while (!said.contains("ready") && child.waitForReadyRead(10000)) said += child.readAllStandardOutput();
    if (!said.contains("ready"))
        return ::testing::AssertionFailure()
               << "the child never said ready: " << child.readAllStandardError().toStdString();
    return ::testing::AssertionSuccess();
}

inline void killHard(const QProcess& child) { ::kill(pid_t(child.processId()), SIGKILL); }

// SQLite's own check of the database at `path`: "ok" when it is sound, else
// what it found or why it could not look.
inline QString integrityCheck(const QString& path) {
    sqlite3* db = nullptr;
    QString result;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) ==
        SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &st, nullptr) == SQLITE_OK) {
            while (sqlite3_step(st) == SQLITE_ROW)
                result += QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        } else {
            result = QString::fromUtf8(sqlite3_errmsg(db));
        }
        sqlite3_finalize(st);
    } else {
        result = QString::fromUtf8(sqlite3_errmsg(db));
    }
    sqlite3_close(db);
    return result;
}

// The program's entry: the child's work when started as `childSwitch
// ARGUMENT`, else the tests.
inline int childOrTests(int argc, char** argv, const char* childSwitch,
                        int (*work)(const QString& argument)) {
    if (argc == 3 && std::strcmp(argv[1], childSwitch) == 0) return work(QString::fromLocal8Bit(argv[2]));
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

}  // namespace velmora::testing
