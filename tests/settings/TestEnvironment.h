#pragma once

// Every settings test runs in a home folder of its own: PathHelper and
// QSettings derive their locations from HOME and the XDG variables, and
// PathHelper fixes its folder on first use. So before anything asks for a
// path, each executable points them at a fresh temporary folder, and no test
// touches the real home or shares a settings file with a parallel run. Use
// CV_SETTINGS_TEST_MAIN(TestClass) instead of QTEST_GUILESS_MAIN.

#include "ConfigMgr.h" // every settings class
#include "CorvaneTypes.h"
#include "PathHelper.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QMetaMethod>
#include <QMetaProperty>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cctype>
#include <functional>

// Containers of settings objects as QVariant values.
using UserMap = QMap<QString, LoginSettingUser>;
using VideoList = QList<VideoSettingVideo>;
Q_DECLARE_METATYPE(VideoSettingVideo)
Q_DECLARE_METATYPE(LoginSettingUser)

namespace cvtest {

// The library registers no meta-type for its containers nor for the shared
// enumerations; the tests register them as the tools do.
inline void registerTypes()
{
    qRegisterMetaType<VideoList>();
    qRegisterMetaType<UserMap>();
    CorvaneEnums::registerTypes();
}

inline QString isolateHome()
{
    // Elsewhere the per-user folders follow HOME and XDG_*; Windows keeps them
    // under AppData, which no variable moves, so there Qt's test mode gives
    // them a folder of their own, emptied first, and the tests run one at a
    // time.
    static QTemporaryDir scratch;
    static const QString home = [] {
        const QByteArray path = QFile::encodeName(scratch.path());
        qputenv("HOME", path);
        qputenv("XDG_DATA_HOME", path + "/.local/share");
        qputenv("XDG_CONFIG_HOME", path + "/.config");
        qputenv("XDG_CACHE_HOME", path + "/.cache");
        QStandardPaths::setTestModeEnabled(true);
        registerTypes();
#ifdef Q_OS_WIN
        const QString appData = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        QDir(appData).removeRecursively();
        QDir().mkpath(appData);
        return appData;
#else
        return scratch.path();
#endif
    }();
    return home;
}

inline bool skipped = false; // set by CV_QSKIP

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

// The first child of `parent` of class `cls`.
inline QObject* childOf(const QObject* parent, const QByteArray& cls)
{
    for (QObject* child : parent->children())
        if (child->metaObject()->className() == cls)
            return child;
    return nullptr;
}

// A record of a known-answer file under tests/data: "[Section]" starts a
// section, "Field = value" lines make a record, a blank line ends it; a field
// given again continues its value on a new line.
struct Record {
    QByteArray section;
    int line = 0;
    QList<QPair<QByteArray, QByteArray>> fields;
    QByteArray value(const QByteArray& field) const // the lines of a repeated field joined
    {
        QByteArrayList lines;
        for (const auto& [name, text] : fields)
            if (name == field)
                lines << text;
        return lines.join('\n');
    }
};

inline QVector<Record> records(const QString& name)
{
    QFile file(QStringLiteral(CV_TEST_DATA_DIR "/") + name);
    const bool opened = QTest::qVerify(file.open(QIODevice::ReadOnly), "open", qPrintable(name), __FILE__, __LINE__);
    const QList<QByteArray> lines = opened ? file.readAll().split('\n') : QList<QByteArray>();
    QVector<Record> all(1);
    for (int n = 0; n < lines.size(); ++n) {
        const QByteArray& line = lines[n];
        const int eq = line.indexOf(" =");
        if ((line.trimmed().isEmpty() || line.startsWith('[')) && !all.last().fields.isEmpty())
            all.append({ all.last().section, 0, {} });
        if (line.startsWith('['))
            all.last().section = line.mid(1, line.indexOf(']') - 1);
        else if (!line.startsWith('#') && eq > 0) {
            Record& r = all.last();
            r.line = r.fields.isEmpty() ? n + 1 : r.line;
            r.fields.append({ line.left(eq).trimmed(), line.mid(eq + 3) });
        }
    }
    if (all.last().fields.isEmpty())
        all.removeLast();
    return all;
}

// A property of a settings class as tests/data/settings/settings-classes.txt lists it.
struct Prop {
    QByteArray name, type;
    QString def; // the default as describe() prints it
    QByteArray key, param; // the saved key; the change signal's parameter name
    bool noStorage = false;
};
struct ClassSpec {
    QByteArray name;
    QString section;
    QVector<Prop> props;
    QString enums; // "Name: KEY=value ..." per enumeration, in declaration order
    QVector<int> fieldOrder; // property indices; empty: property order
};

inline const QVector<ClassSpec>& classTable()
{
    static const QVector<ClassSpec> table = [] {
        QVector<ClassSpec> all;
        for (const Record& r : records(QStringLiteral("settings/settings-classes.txt"))) {
            ClassSpec c { r.section, QString::fromUtf8(r.value("Section")), {},
                QString::fromUtf8(r.value("Enum").replace('\n', ' ')), {} };
            for (const QByteArray& i : r.value("Fields").split(' '))
                if (!i.isEmpty())
                    c.fieldOrder << i.toInt();
            for (const auto& [name, value] : r.fields) {
                const QList<QByteArray> w = value.simplified().split(' ');
                if (!std::islower(static_cast<unsigned char>(name[0])))
                    continue;
                Prop p { name, w[0], QString::fromUtf8(w[1]), {}, name, w.contains("nostore") };
                if (p.def == "\"\"" || p.def == "{record}")
                    p.def = p.def == "\"\"" ? QString() : PathHelper::defaultPathName(QStringLiteral("Record"));
                for (const QByteArray& a : w.mid(2)) {
                    if (a.startsWith("key="))
                        p.key = a.mid(4);
                    if (a.startsWith("param="))
                        p.param = a.mid(6);
                }
                c.props << p;
            }
            all << c;
        }
        return all;
    }();
    return table;
}

inline QStringList snapshot(const QObject* obj);

// Comparable text of a property value, containers included; an enumeration
// as its number (Qt 6 reads enumeration properties as their own type, whose
// text is the key's name).
inline QString describe(const QVariant& v)
{
    QStringList parts;
    if (QMetaType(v.userType()).flags() & QMetaType::IsEnumeration) {
        return QString::number(*static_cast<const qint32*>(v.constData()));
    } else if (v.userType() == qMetaTypeId<VideoList>()) {
        for (const VideoSettingVideo& video : v.value<VideoList>())
            parts << snapshot(&video).join(',');
    } else if (v.userType() == qMetaTypeId<UserMap>()) {
        const UserMap users = v.value<UserMap>();
        for (auto it = users.begin(); it != users.end(); ++it)
            parts << it.key() + '=' + snapshot(&it.value()).join(',');
    } else {
        return v.toString();
    }
    return '[' + parts.join(';') + ']';
}

// Every property value of an object, in property order.
inline QStringList snapshot(const QObject* obj)
{
    QStringList values;
    const QMetaObject* mo = obj->metaObject();
    for (int i = mo->propertyOffset(); i < mo->propertyCount(); ++i)
        values << describe(mo->property(i).read(obj));
    return values;
}

// Receives every signal of the watched objects as a raw meta-call, so it sees
// the emitted argument itself: as "Class::signal" and the signal's index in
// its class, the argument's value, the sender's values at that moment, and
// the pointer, which onHit may feed back into the sender.
class Probe : public QObject
{
    static constexpr int kBase = 0x7000; // far above our own methods; connections keep 16 bits

public:
    QStringList names;
    QVector<int> indices;
    QStringList args;
    QVector<QStringList> states;
    std::function<void(QObject* sender, int index, void* arg)> onHit;

    void watch(const QObject* obj)
    {
        const QMetaObject* mo = obj->metaObject();
        for (int i = mo->methodOffset(); i < mo->methodCount(); ++i)
            if (mo->method(i).methodType() == QMetaMethod::Signal)
                QVERIFY(QMetaObject::connect(obj, i, this, kBase + i - mo->methodOffset()));
    }
    void clear() { names.clear(), indices.clear(), args.clear(), states.clear(); }
    int qt_metacall(QMetaObject::Call call, int id, void** argv) override
    {
        if (call != QMetaObject::InvokeMetaMethod || id < kBase)
            return QObject::qt_metacall(call, id, argv);
        QObject* from = sender();
        const QMetaMethod signal = from->metaObject()->method(senderSignalIndex());
        // The types that the library leaves unregistered are its enumerations, held as ints.
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
        const int type = QMetaType::type(signal.parameterTypes().value(0));
        const auto arg = [&] { return QVariant(type ? type : int(QMetaType::Int), argv[1]); };
#else
        const QMetaType type = QMetaType::fromName(signal.parameterTypes().value(0));
        const auto arg = [&] { return QVariant(type.isValid() ? type : QMetaType::fromType<int>(), argv[1]); };
#endif
        names << QString::fromLatin1(from->metaObject()->className() + QByteArray("::") + signal.name());
        indices << id - kBase;
        args << (signal.parameterCount() ? describe(arg()) : QString());
        states << snapshot(from);
        if (onHit)
            onHit(from, id - kBase, argv[1]);
        return -1;
    }
};

} // namespace cvtest

// QSKIP that also makes the executable report itself skipped to CTest (exit
// code 77) when no case failed; Qt Test alone would count the run as passed.
#define CV_QSKIP(reason)        \
    do {                        \
        cvtest::skipped = true; \
        QSKIP(reason);          \
    } while (0)

#define CV_SETTINGS_TEST_MAIN(TestObject) CV_SETTINGS_TEST_MAIN_AS(main, TestObject)
#define CV_SETTINGS_TEST_MAIN_AS(function, TestObject)       \
    int function(int argc, char* argv[])                     \
    {                                                        \
        cvtest::isolateHome();                               \
        QCoreApplication app(argc, argv);                    \
        TestObject tc;                                       \
        QTEST_SET_MAIN_SOURCE_PATH                           \
        const int failed = QTest::qExec(&tc, argc, argv);    \
        return failed == 0 && cvtest::skipped ? 77 : failed; \
    }
