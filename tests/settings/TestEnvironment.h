#pragma once

// Every settings test runs in a home folder of its own.
//
// PathHelper and QSettings derive their locations from HOME and the XDG
// variables, and PathHelper fixes its folder on first use for the rest of the
// run. So before anything asks for a path, each test executable points those
// variables at a fresh temporary folder and switches QStandardPaths to test
// mode: no test touches the real home folder, and executables that CTest runs
// in parallel never share a settings file.
//
// Use CV_SETTINGS_TEST_MAIN(TestClass) instead of QTEST_GUILESS_MAIN, or call
// cvtest::isolateHome() first thing in initTestCase().

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace cvtest {

// The temporary home of this run; created, and the environment switched to
// it, on the first call. Removed when the executable exits.
inline QString isolateHome()
{
    static QTemporaryDir home;
    static const bool switched = [] {
        if (!home.isValid())
            qFatal("cannot create a temporary home folder: %s", qPrintable(home.errorString()));
        const QByteArray path = QFile::encodeName(home.path());
        qputenv("HOME", path);
        qputenv("XDG_DATA_HOME", path + "/.local/share");
        qputenv("XDG_CONFIG_HOME", path + "/.config");
        qputenv("XDG_CACHE_HOME", path + "/.cache");
        QStandardPaths::setTestModeEnabled(true);
        return true;
    }();
    Q_UNUSED(switched)
    return home.path();
}

} // namespace cvtest

#define CV_SETTINGS_TEST_MAIN(TestObject)          \
    int main(int argc, char* argv[])               \
    {                                              \
        cvtest::isolateHome();                     \
        QCoreApplication app(argc, argv);          \
        TestObject tc;                             \
        QTEST_SET_MAIN_SOURCE_PATH                 \
        return QTest::qExec(&tc, argc, argv);      \
    }
