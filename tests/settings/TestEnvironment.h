#pragma once

// Every settings test runs in a home folder of its own: PathHelper and
// QSettings derive their locations from HOME and the XDG variables, and
// PathHelper fixes its folder on first use. So before anything asks for a
// path, each executable points them at a fresh temporary folder, and no test
// touches the real home or shares a settings file with a parallel run. Use
// CV_SETTINGS_TEST_MAIN(TestClass) instead of QTEST_GUILESS_MAIN.

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QMetaMethod>
#include <QMetaProperty>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace cvtest {

inline QString isolateHome()
{
    static QTemporaryDir home;
    static const bool switched = [] {
        const QByteArray path = QFile::encodeName(home.path());
        qputenv("HOME", path);
        qputenv("XDG_DATA_HOME", path + "/.local/share");
        qputenv("XDG_CONFIG_HOME", path + "/.config");
        qputenv("XDG_CACHE_HOME", path + "/.cache");
        QStandardPaths::setTestModeEnabled(true);
        return true;
    }();
    return switched ? home.path() : QString();
}

inline bool& skipped()
{
    static bool any = false;
    return any;
}

inline QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// QSettings re-reads a file only when its size or time stamp changed, so each
// write gets a time stamp of its own.
inline void writeFile(const QString& path, const QByteArray& bytes)
{
    static int generation = 0;
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
    f.flush();
    f.setFileTime(QDateTime(QDate(2001, 1, 1), QTime(0, 0)).addSecs(++generation), QFileDevice::FileModificationTime);
}

// Every property of an object, by name.
inline QVariantMap properties(const QObject& object)
{
    QVariantMap map;
    const QMetaObject* mo = object.metaObject();
    for (int i = mo->propertyOffset(); i < mo->propertyCount(); ++i)
        map.insert(QLatin1String(mo->property(i).name()), mo->property(i).read(&object));
    return map;
}

// Logs every signal that the watched objects emit, in emission order, as
// "Class::signal".
class SignalLog : public QObject
{
    Q_OBJECT
public:
    QStringList names;

    void watch(const QObject* object)
    {
        const QMetaObject* mo = object->metaObject();
        for (int i = mo->methodOffset(); i < mo->methodCount(); ++i)
            if (mo->method(i).methodType() == QMetaMethod::Signal)
                QVERIFY(QMetaObject::connect(object, i, this, metaObject()->indexOfSlot("hit()")));
    }
    void clear() { names.clear(); }

private slots:
    void hit()
    {
        const QMetaObject* mo = sender()->metaObject();
        names << QString::fromLatin1(mo->className()) + QLatin1String("::")
                + QString::fromLatin1(mo->method(senderSignalIndex()).name());
    }
};

} // namespace cvtest

// QSKIP that also makes the executable report itself skipped to CTest (exit
// code 77) when no case failed; Qt Test alone would count the run as passed.
#define CV_QSKIP(reason)                                                                                               \
    do {                                                                                                               \
        cvtest::skipped() = true;                                                                                      \
        QSKIP(reason);                                                                                                 \
    } while (0)

#define CV_SETTINGS_TEST_MAIN(TestObject) CV_SETTINGS_TEST_MAIN_AS(main, TestObject)
#define CV_SETTINGS_TEST_MAIN_AS(function, TestObject)                                                                 \
    int function(int argc, char* argv[])                                                                               \
    {                                                                                                                  \
        cvtest::isolateHome();                                                                                         \
        QCoreApplication app(argc, argv);                                                                              \
        TestObject tc;                                                                                                 \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                     \
        const int failed = QTest::qExec(&tc, argc, argv);                                                              \
        return failed == 0 && cvtest::skipped() ? 77 : failed;                                                         \
    }
