// The 21 settings classes walked through their meta-objects against one table
// of their properties, types, defaults and signal parameters; the cases after
// it cover the few operations that only one class has.

#include "TestEnvironment.h"

#include "PathHelper.h"

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

// One row of a class's table: property, type, default, signal parameter
// (null: named like the property), and whether it has no storage.
struct Prop {
    const char* name;
    const char* type;
    QVariant def;
    const char* param = nullptr;
    bool noStorage = false;
};
struct ClassCase {
    const QMetaObject* mo;
    QObject* (*make)(QObject* parent);
    QObject* (*copy)(const QObject& other);
    void (*assign)(QObject& to, const QObject& from);
    bool (*trAgrees)();
    QVector<Prop> props;
    QString enums; // "Name: KEY=value ..." per enumeration, in declaration order
    QVector<int> fieldOrder; // property indices; empty: property order
};

template <class T> ClassCase classCase(QVector<Prop> props, QString enums = {}, QVector<int> fieldOrder = {})
{
    return { &T::staticMetaObject, [](QObject* parent) -> QObject* { return new T(parent); },
        [](const QObject& other) -> QObject* { return new T(static_cast<const T&>(other)); },
        [](QObject& to, const QObject& from) { static_cast<T&>(to) = static_cast<const T&>(from); },
        [] { return T::tr("Open", "menu", 2) == T::trUtf8("Open", "menu", 2); }, std::move(props), std::move(enums),
        std::move(fieldOrder) };
}

QVector<Prop> strings(std::initializer_list<const char*> names, const char* param = nullptr)
{
    QVector<Prop> props;
    for (const char* name : names)
        props.push_back({ name, "QString", QString(), param });
    return props;
}

Prop noStorage(const char* name) { return { name, "int", 0, nullptr, true }; }

const QVector<ClassCase>& classes()
{
    static const QVector<ClassCase> all = {
        classCase<AudioSetting>({ { "autoAdjust", "bool", true }, { "capDevIndex", "int", 0 },
            { "inputIndex", "int", 0 }, { "capVolume", "int", 100 }, { "capVolumeAutoAdjust", "bool", false },
            { "playDevIndex", "int", 0 }, { "playVolume", "int", 80 }, { "encoderId", "int", 6 },
            { "aec", "bool", true }, { "ans", "bool", true }, { "fec", "bool", true }, { "agc", "bool", false },
            { "vad", "bool", true }, { "audioEngine", "int", 1 } }),
        classCase<ClientConfig>({ { "version", "QString", "0.0.0.0" }, { "groupName", "QString", "Corvane" },
            { "productName", "QString", "CorvaneDesktop" }, { "buildNum", "qlonglong", 0 },
            { "productSeries", "int", 1 }, { "productId", "QString", "" }, { "clientType", "int", 1 },
            { "terminalType", "int", 0 }, { "clientMode", "int", 1 }, { "paltform", "int", 1 },
            noStorage("maxVideoWidth"), noStorage("maxVideoHeight"), noStorage("maxVideoFramerate"),
            noStorage("maxVideoBitrate"), noStorage("maxMediaBitrate") }),
        classCase<IntercomConfig>(strings({ "appId", "accessToken", "appVersionDesc", "appDeviceDesc", "appOsName" })
            << Prop { "width", "int", 0 } << Prop { "height", "int", 0 }),
        classCase<JoinMeetingSetting>(strings({ "meetingNum", "nickname", "email" })
            << Prop { "webinarNum", "QString", QString(), "strWebinarNum" }
            << strings({ "webinarFirstName", "webinarLastName", "webinarEmail", "webinarCheckCode" })),
        classCase<LoginSetting>(strings({ "lastLoginUser", "autoLoginUser" })
            << Prop { "users", "QMap<QString,LoginSettingUser>", QVariant::fromValue(UserMap()) }),
        classCase<LoginSettingUser>(
            strings({ "email", "password" }) << Prop { "paltform", "Corvane::UserPaltform", 1 }),
        classCase<MeetingSetting>({ { "audioDefaultMute", "bool", false }, { "audioNeedGranted", "bool", false },
            { "showMessageTips", "bool", true } }),
        classCase<MessageSetting>({ { "flashIcon", "bool", true }, { "playSound", "bool", true } }),
        classCase<NormalSetting>({ { "autoRun", "bool", false }, { "autoLogin", "bool", false, "atuoLogin" },
            { "language", "Corvane::ClientLanguage", 0 } }),
        classCase<OmsUrlConfig>(strings({ "plan", "updatePlan", "signup", "forgotPassword", "help", "webinarSchedule",
                                            "webinarLearnMore", "webinarDetailMore", "recordListUrl", "storageUrl" },
            "url")),
        classCase<OnionSetting>({ { "capVolume", "int", 100 }, { "playVolume", "int", 80 } }),
        classCase<ProcessSetting>({ { "port", "int", 0 } }),
        classCase<RecordSetting>({ { "recordType", "RecordType", 0 },
                                     { "recordPath", "QString", PathHelper::defaultPathName(QStringLiteral("Record")) },
                                     { "videoFramerate", "int", 6 }, { "maxFileSize", "int", 2048 } },
            "RecordType: VideoAndAudio=0 Audio=1"),
        classCase<ServerSetting>(
            strings({ "frontServer", "meetingServer", "a2Server", "imServer", "localApi", "ucApi", "webService" })
            << Prop { "frontAppId", "int", 20 } << Prop { "meetingAppId", "int", 11 }),
        classCase<ShareSetting>({ { "isHideCorvaneWin", "bool", false }, { "isShareSound", "bool", false } }),
        classCase<ThirdCalendarConfig>(strings({ "name", "redirectUrl", "oauthUrl", "tokenUrl", "resultUrl" })),
        classCase<ThirdContactsConfig>(
            strings({ "name", "redirectUrl", "oauthUrl", "tokenUrl", "resultUrl", "resultRequestHeader" })),
        classCase<ThirdLoginConfig>(strings(
            { "name", "clientId", "clientSecret", "scope", "redirectUrl", "oauthUrl", "tokenUrl", "resultUrl" })),
        classCase<UISetting>({ { "loginWinLastPage", "QString", "Welcome" } }),
        classCase<VideoSetting>({ { "defaultDevIndex", "int", 0 },
            { "videos", "QList<VideoSettingVideo>", QVariant::fromValue(VideoList()) } }),
        classCase<VideoSettingVideo>(
            { { "devId", "int", 0 }, { "autoAdjust", "bool", true }, { "bitrate", "int", 359700 },
                { "framerate", "int", 15 }, { "keyframeInterval", "int", 30 }, { "encoderId", "int", 3 },
                { "encoderMode", "VideoEncoderMode", 2 }, { "vbrQuality", "int", 80 }, { "width", "int", 640 },
                { "height", "int", 480 }, { "inputIndex", "int", 0 }, { "standard", "VideoStandard", 1 },
                { "denoise", "bool", true }, { "flip", "bool", false } },
            "VideoEncoderMode: ENCODERMODE_VBR=0 ENCODERMODE_CBR=1 ENCODERMODE_ABR=2 "
            "VideoStandard: VIDEOSTANDARD_PAL=1 VIDEOSTANDARD_NTSC=2 VIDEOSTANDARD_SECAM=3",
            { 0, 1, 3, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13 }),
    };
    return all;
}

} // namespace

class tst_SettingsObjects : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qRegisterMetaType<VideoList>();
        qRegisterMetaType<UserMap>();
        qRegisterMetaType<int>("Corvane::ClientLanguage");
        qRegisterMetaType<int>("Corvane::UserPaltform");
    }

    void perClass_data()
    {
        QTest::addColumn<int>("row");
        for (int i = 0; i < classes().size(); ++i)
            QTest::newRow(classes()[i].mo->className()) << i;
    }
    void perClass();
    void classSpecific();
    void loginSettingOperations();
};

void tst_SettingsObjects::perClass()
{
    QFETCH(int, row);
    const ClassCase& c = classes()[row];
    const QMetaObject* mo = c.mo;
    const int n = c.props.size();
    const auto prop = [&](int i) { return mo->property(mo->propertyOffset() + i); };

    // Properties, signals and enumerations as the client binds to them.
    QCOMPARE(mo->superClass(), &QObject::staticMetaObject);
    QCOMPARE(mo->propertyCount() - mo->propertyOffset(), n);
    QCOMPARE(mo->methodCount() - mo->methodOffset(), n);
    for (int i = 0; i < n; ++i) {
        const Prop& e = c.props[i];
        const QMetaMethod s = mo->method(mo->methodOffset() + i);
        QCOMPARE(QByteArray(prop(i).typeName()) + ' ' + prop(i).name() + " -> " + s.methodSignature() + ' '
                + s.parameterNames().value(0),
            QByteArray(e.type) + ' ' + e.name + " -> " + e.name + "Changed(" + e.type + ") "
                + (e.param ? e.param : e.name));
        QCOMPARE(s.methodType(), QMetaMethod::Signal);
        QCOMPARE(prop(i).notifySignalIndex(), s.methodIndex());
        QVERIFY(prop(i).isWritable() && prop(i).isStored() && !prop(i).isConstant() && !prop(i).isFinal());
    }
    QStringList enums;
    for (int k = mo->enumeratorOffset(); k < mo->enumeratorCount(); ++k) {
        enums << QString::fromLatin1(mo->enumerator(k).name()) + ':';
        for (int j = 0; j < mo->enumerator(k).keyCount(); ++j)
            enums << QStringLiteral("%1=%2").arg(mo->enumerator(k).key(j)).arg(mo->enumerator(k).value(j));
    }
    QCOMPARE(enums.join(' '), c.enums);
    QVERIFY(c.trAgrees());

    QObject parent;
    QObject* obj = c.make(&parent);
    for (int i = 0; i < n; ++i)
        QCOMPARE(describe(prop(i).read(obj)), describe(c.props[i].def));
    const QStringList defaults = snapshot(obj);
    const auto sameType = [&](int i, int j) { return qstrcmp(c.props[i].type, c.props[j].type) == 0; };
    const auto isContainer = [&](int i) { return c.props[i].def.userType() >= QMetaType::User; };

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
    std::unique_ptr<QObject> copy(c.copy(*obj)), fresh(c.make(nullptr));
    QVERIFY(!copy->parent() && copy->objectName().isEmpty());
    QCOMPARE(snapshot(copy.get()), changed);
    c.assign(*copy, *fresh);
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
    QObject* target = c.make(&parent);
    Probe targetRec;
    targetRec.watch(target);
    c.assign(*target, *obj);
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
    c.assign(*target, *obj);
    QCOMPARE(targetRec.indices, containers);
    c.assign(*target, *target);
    QCOMPARE(targetRec.indices, containers);

    // Every signal hands out the object's own stored value. Fed back to each
    // setter of that type and to a self-assignment, while a copy shares the
    // data and while none does, it must arrive intact (ASan watches memory).
    bool shared = false, feeding = false;
    rec.onHit = [&](QObject* sender, int i, void* arg) {
        if (std::exchange(feeding, true))
            return;
        const std::unique_ptr<QObject> sharer(shared ? c.copy(*sender) : nullptr);
        for (int j = 0; j < n; ++j) {
            int status = -1, flags = 0;
            void* argv[] = { arg, nullptr, &status, &flags };
            if (sameType(i, j))
                QMetaObject::metacall(sender, QMetaObject::WriteProperty, prop(j).propertyIndex(), argv);
        }
        c.assign(*sender, *sender);
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
