// The 21 settings classes walked through their meta-objects against the table
// of their properties, types, defaults and signal parameters in
// tests/data/settings/settings-classes.txt; the cases after it cover the few
// operations that only one class has.

#include "TestEnvironment.h"

#include "PathHelper.h"
#include "SettingsGroups_p.h"

#include <QMetaEnum>

#include <memory>

using cvtest::describe;
using cvtest::Probe;
using cvtest::snapshot;

#pragma GCC diagnostic ignored "-Wdeprecated-declarations" // trUtf8, compared with tr

namespace {

// A value of the property's type that differs from `current`. Enumerations
// get a value that names no enumerator and lies outside the range of any
// enumeration type without a fixed underlying type; containers are built
// anew, so two calls give equal values that share nothing.
QVariant otherValue(const QMetaProperty& p, const QVariant& current)
{
    if (p.isEnumType() || QByteArray(p.typeName()).startsWith("Corvane::"))
        return current.toInt() == 1000 ? -1000 : 1000;
    switch (current.userType()) {
    case QMetaType::Bool:
        return !current.toBool();
    case QMetaType::Int:
        return current.toInt() + 7;
    case QMetaType::LongLong:
        return current.toLongLong() + (Q_INT64_C(1) << 40);
    case QMetaType::QString:
        return QString(current.toString() + QStringLiteral("·x"));
    }
    if (current.userType() == qMetaTypeId<VideoList>()) {
        VideoSettingVideo video;
        video.setWidth(320);
        return QVariant::fromValue(VideoList { video });
    }
    LoginSettingUser user;
    user.setEmail(QStringLiteral("a@example.org"));
    return QVariant::fromValue(UserMap { { user.email(), user } });
}

// What the walk does with a class beyond its meta-object.
struct Ops {
    const QMetaObject* mo;
    QObject* (*make)(QObject* parent);
    QObject* (*copy)(const QObject& other);
    void (*assign)(QObject& to, const QObject& from);
    bool (*trAgrees)();
};

template <class T> std::pair<QByteArray, Ops> ops()
{
    return { T::staticMetaObject.className(),
        { &T::staticMetaObject, [](QObject* parent) -> QObject* { return new T(parent); },
            [](const QObject& other) -> QObject* { return new T(static_cast<const T&>(other)); },
            [](QObject& to, const QObject& from) { static_cast<T&>(to) = static_cast<const T&>(from); },
            [] {
                return T::tr("Open", "menu", 2)
                    == QCoreApplication::translate(T::staticMetaObject.className(), "Open", "menu", 2);
            } } };
}

#define CV_OPS(Class) ops<Class>(),
const QHash<QByteArray, Ops> kOps = { CV_SETTINGS_CLASSES(CV_OPS) };
#undef CV_OPS

} // namespace

class tst_SettingsObjects : public QObject
{
    Q_OBJECT

private slots:
    void perClass_data()
    {
        QTest::addColumn<int>("row");
        QCOMPARE(cvtest::classTable().size(), kOps.size());
        for (int i = 0; i < cvtest::classTable().size(); ++i)
            QTest::newRow(cvtest::classTable()[i].name) << i;
    }
    void perClass();
    void classSpecific();
    void loginSettingOperations();
};

void tst_SettingsObjects::perClass()
{
    QFETCH(int, row);
    const cvtest::ClassSpec& c = cvtest::classTable()[row];
    QVERIFY(kOps.contains(c.name));
    const Ops o = kOps.value(c.name);
    const QMetaObject* mo = o.mo;
    const int n = c.props.size();
    const auto prop = [&](int i) { return mo->property(mo->propertyOffset() + i); };

    // Properties, signals and enumerations as the client binds to them.
    QCOMPARE(mo->superClass(), &QObject::staticMetaObject);
    QCOMPARE(mo->propertyCount() - mo->propertyOffset(), n);
    QCOMPARE(mo->methodCount() - mo->methodOffset(), n);
    for (int i = 0; i < n; ++i) {
        const cvtest::Prop& e = c.props[i];
        const QMetaMethod s = mo->method(mo->methodOffset() + i);
        // Qt 6 names an enumeration's type with its class.
        const QByteArray type = QByteArray(prop(i).typeName()).replace(mo->className() + QByteArray("::"), "");
        QCOMPARE(type + ' ' + prop(i).name() + " -> " + s.methodSignature() + ' ' + s.parameterNames().value(0),
            e.type + ' ' + e.name + " -> " + e.name + "Changed(" + e.type + ") " + e.param);
        QVERIFY(s.methodType() == QMetaMethod::Signal && prop(i).notifySignalIndex() == s.methodIndex());
        QVERIFY(prop(i).isWritable() && prop(i).isStored() && !prop(i).isConstant() && !prop(i).isFinal());
    }
    QStringList enums;
    for (int k = mo->enumeratorOffset(); k < mo->enumeratorCount(); ++k) {
        enums << QString::fromLatin1(mo->enumerator(k).name()) + ':';
        for (int j = 0; j < mo->enumerator(k).keyCount(); ++j)
            enums << QStringLiteral("%1=%2").arg(mo->enumerator(k).key(j)).arg(mo->enumerator(k).value(j));
    }
    QCOMPARE(enums.join(' '), c.enums);
    QVERIFY(o.trAgrees());

    QObject parent;
    QObject* obj = o.make(&parent);
    for (int i = 0; i < n; ++i)
        QCOMPARE(describe(prop(i).read(obj)), c.props[i].def);
    const QStringList defaults = snapshot(obj);
    const auto sameType = [&](int i, int j) { return c.props[i].type == c.props[j].type; };
    const auto isContainer = [&](int i) { return c.props[i].def == "[]"; };

    // A write by name stores, then emits one signal carrying the new value,
    // and the receiver reads that value back; an equal value again emits
    // nothing, except for containers; a reset by name does nothing.
    Probe rec;
    rec.watch(obj);
    for (int i = 0; i < n; ++i) {
        const QVariant value = otherValue(prop(i), prop(i).read(obj));
        const QStringList before = snapshot(obj);
        rec.clear();
        QVERIFY(obj->setProperty(prop(i).name(), value));
        if (c.props[i].noStorage) {
            QCOMPARE(snapshot(obj), before);
            QVERIFY(rec.indices.isEmpty());
            continue;
        }
        QCOMPARE(rec.indices, QVector<int> { i });
        QCOMPARE(rec.args[0], describe(value));
        QCOMPARE(rec.states[0][i], describe(value));
        QVERIFY(obj->setProperty(prop(i).name(), value));
        QMetaObject::metacall(obj, QMetaObject::ResetProperty, prop(i).propertyIndex(), nullptr);
        QCOMPARE(rec.indices.size(), isContainer(i) ? 2 : 1);
    }

    // A copy takes the values only: no parent, name or connection, and the
    // source emits nothing.
    obj->setObjectName(QStringLiteral("held"));
    const QStringList changed = snapshot(obj);
    rec.clear();
    std::unique_ptr<QObject> copy(o.copy(*obj)), fresh(o.make(nullptr));
    QVERIFY(!copy->parent() && copy->objectName().isEmpty());
    QCOMPARE(snapshot(copy.get()), changed);
    o.assign(*copy, *fresh);
    QCOMPARE(snapshot(copy.get()), defaults);
    QCOMPARE(snapshot(obj), changed);
    QVERIFY(rec.indices.isEmpty());

    // Assignment visits the fields in field order, each stored just before
    // its own signal, so a receiver still sees the old values of later
    // fields; the target keeps its parent and name.
    QVector<int> order = c.fieldOrder, expected, containers;
    for (int i = 0; order.size() < n; ++i)
        order << i;
    for (int i : order) {
        if (!c.props[i].noStorage)
            expected << i;
        if (isContainer(i))
            containers << i;
    }
    QObject* target = o.make(&parent);
    Probe targetRec;
    targetRec.watch(target);
    o.assign(*target, *obj);
    QCOMPARE(targetRec.indices, expected);
    QStringList during = defaults;
    for (int k = 0; k < expected.size(); ++k) {
        during[expected[k]] = changed[expected[k]];
        QCOMPARE(targetRec.states[k], during);
        QCOMPARE(targetRec.args[k], changed[expected[k]]);
    }
    QVERIFY(target->parent() == &parent && target->objectName().isEmpty());

    // Equal values again: only the containers signal; self-assignment: nothing.
    targetRec.clear();
    o.assign(*target, *obj);
    QCOMPARE(targetRec.indices, containers);
    o.assign(*target, *target);
    QCOMPARE(targetRec.indices, containers);

    // Every signal hands out the object's own stored value. Fed back to each
    // setter of that type and to a self-assignment, while a copy shares the
    // data and while none does, it must arrive intact (ASan watches memory).
    bool shared = false, feeding = false;
    rec.onHit = [&](QObject* sender, int i, void* arg) {
        if (std::exchange(feeding, true))
            return;
        const std::unique_ptr<QObject> sharer(shared ? o.copy(*sender) : nullptr);
        for (int j = 0; j < n; ++j) {
            int status = -1, flags = 0;
            void* argv[] = { arg, nullptr, &status, &flags };
            if (sameType(i, j))
                QMetaObject::metacall(sender, QMetaObject::WriteProperty, prop(j).propertyIndex(), argv);
        }
        o.assign(*sender, *sender);
        feeding = false;
    };
    for (const bool withCopy : { false, true }) {
        shared = withCopy;
        for (int i = 0; i < n; ++i) {
            const QVariant value = otherValue(prop(i), prop(i).read(obj));
            QVERIFY(obj->setProperty(prop(i).name(), value));
            for (int j = 0; j < n; ++j)
                if (!c.props[i].noStorage && !c.props[j].noStorage && sameType(i, j))
                    QCOMPARE(describe(prop(j).read(obj)), describe(value));
        }
    }
}

// What the table cannot say: the computed recording path, the key-frame
// interval that follows the frame rate only on request, and strings whose
// null default equals the empty string.
void tst_SettingsObjects::classSpecific()
{
    const QString path = PathHelper::defaultPathName(QStringLiteral("Record"));
    QVERIFY(path.startsWith(cvtest::isolateHome() + '/') && path.endsWith(QStringLiteral("/Record")));
#ifdef Q_OS_WIN
    QVERIFY2(path.contains(QStringLiteral("/AppData/Local/")), qPrintable(path)); // the user's own, not roaming
#endif

    VideoSettingVideo video;
    JoinMeetingSetting join;
    Probe rec;
    rec.watch(&video);
    rec.watch(&join);
    video.adjustKeyframeInterval(); // 15 fps already gives 30
    video.setFramerate(25);
    video.adjustKeyframeInterval();
    video.adjustKeyframeInterval();
    for (const QString& text : { QStringLiteral(""), QStringLiteral("123"), QString(), QStringLiteral("") })
        join.setMeetingNum(text);
    QCOMPARE(rec.indices, (QVector<int> { 3, 4, 0, 0 }));
    QCOMPARE(rec.states[0][4] + ' ' + rec.args[1], QStringLiteral("30 50"));
}

// The account map's own operations, also with arguments that point into the
// map's entries while the map is held here alone and while a copy shares it.
void tst_SettingsObjects::loginSettingOperations()
{
    const QString ann = QStringLiteral("ann@example.org");
    LoginSetting login;
    Probe rec;
    rec.watch(&login);
    login.reset(); // signals the map even when it was empty already
    LoginSettingUser user;
    login.replaceIntoUser(user); // no e-mail: ignored
    user.setEmail(ann);
    login.replaceIntoUser(user);
    login.removeUser(QStringLiteral("Ann@example.org")); // names compare with case; unknown ones still signal
    QCOMPARE(rec.indices, (QVector<int> { 2, 2, 2 }));
    QCOMPARE(login.user(QStringLiteral("bob@example.org")).paltform(), Corvane::PaltformCorvane);
    QCOMPARE(login.users().keys(), QStringList { ann });
    login.removeUser(ann);

    for (const bool shared : { false, true }) {
        for (const char* name : { "a@example.org", "b@example.org", "c@example.org" }) {
            user.setEmail(QLatin1String(name));
            login.replaceIntoUser(user);
        }
        const UserMap sharer = shared ? login.users() : UserMap();
        login.setLastLoginUser(login.users().first().email());
        login.replaceIntoUser(login.users().first());
        login.removeUser(login.users().first().email());
        login.removeUser(login.users().firstKey());
        QCOMPARE(login.users().keys(), QStringList { "c@example.org" });
        rec.clear();
        login.reset();
        QCOMPARE(rec.indices, (QVector<int> { 0, 2 }));
        QVERIFY(login.lastLoginUser().isEmpty() && login.users().isEmpty());
    }
}

CV_SETTINGS_TEST_MAIN(tst_SettingsObjects)

#include "tst_settingsobjects.moc"
