// The Qt side of the settings fuzzers: one application object, and a home
// folder of their own so that the settings file they write is a scratch file.
#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <QString>

#include <cstdlib>
#include <memory>
#include <string>

#include <unistd.h>

namespace cvfuzz {

inline void initQt(int* argc, char*** argv)
{
    // A fresh folder per process; libFuzzer workers (-jobs) each get their own.
    // Memory-backed where possible: every save syncs the file to disk.
    const char* tmp = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : std::getenv("TMPDIR");
    std::string home = std::string(tmp ? tmp : "/tmp") + "/cv_fuzz_home." + std::to_string(getpid());
    QDir().mkpath(QString::fromStdString(home));
    const QByteArray path = QByteArray::fromStdString(home);
    qputenv("HOME", path);
    qputenv("XDG_DATA_HOME", path + "/.local/share");
    qputenv("XDG_CONFIG_HOME", path + "/.config");
    QStandardPaths::setTestModeEnabled(true);
    // Qt warns about every odd value it meets; at fuzzing rates that is noise.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    static std::unique_ptr<QCoreApplication> app(new QCoreApplication(*argc, *argv));
    static const std::string removeOnExit = home;
    std::atexit([] { QDir(QString::fromStdString(removeOnExit)).removeRecursively(); });
}

} // namespace cvfuzz
