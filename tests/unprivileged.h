#pragma once
// Permission bits do not bind root, and CI runs as root: a test of what a
// missing permission does runs itself again as an unprivileged user there.

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

namespace velmora::testing {

// When this process is root: runs the current test alone in a new process of
// this program as user and group 65534 and fails the test when that one
// fails; returns true, and the caller returns at once. Otherwise returns
// false and the caller goes on with the test itself.
inline bool rerunUnprivileged() {
    if (::geteuid() != 0) return false;
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const QString filter =
        QStringLiteral("--gtest_filter=%1.%2")
            .arg(QString::fromUtf8(info->test_suite_name()), QString::fromUtf8(info->name()));
    // A copy of this program in a folder everybody may enter: the build
    // folder may lie below one that user 65534 cannot reach.
    QTemporaryDir copyDir;
    const QString self = copyDir.filePath(QStringLiteral("unprivileged-test"));
    const QFile::Permissions open = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                    QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
    if (!copyDir.isValid() || !QFile::copy(QFile::symLinkTarget(QStringLiteral("/proc/self/exe")), self) ||
        !QFile::setPermissions(copyDir.path(), open) || !QFile::setPermissions(self, open)) {
        ADD_FAILURE() << "cannot copy the test program for an unprivileged run";
        return true;
    }
    QProcess child;
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QStringLiteral("setpriv"), {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                                            QStringLiteral("--clear-groups"), self, filter});
    if (!child.waitForFinished(50000)) {
        ADD_FAILURE() << "the unprivileged run did not end: " << child.errorString().toStdString();
        child.kill();
        child.waitForFinished();
        return true;
    }
    const QByteArray output = child.readAll();
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit) << output.toStdString();
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    // A filter that matched nothing would pass without testing anything.
    EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.toStdString();
    return true;
}

}  // namespace velmora::testing
