// The 21 settings classes against their expected shape and value semantics.
//
// One expectation table per class drives the generic checks through the
// meta-object only; the hand-written cases after them cover the operations
// and deviations that a table cannot express.

#include "TestEnvironment.h"

#include "AudioSetting.h"
#include "ClientConfig.h"
#include "IntercomConfig.h"
#include "JoinMeetingSetting.h"
#include "LoginSetting.h"
#include "LoginSettingUser.h"
#include "MeetingSetting.h"
#include "MessageSetting.h"
#include "NormalSetting.h"
#include "OmsUrlConfig.h"
#include "OnionSetting.h"
#include "PathHelper.h"
#include "ProcessSetting.h"
#include "RecordSetting.h"
#include "ServerSetting.h"
#include "ShareSetting.h"
#include "ThirdCalendarConfig.h"
#include "ThirdContactsConfig.h"
#include "ThirdLoginConfig.h"
#include "UISetting.h"
#include "VideoSetting.h"
#include "VideoSettingVideo.h"

#include <QMetaEnum>
#include <QMetaProperty>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

// The library registers none of these; the tests need them inside QVariant
// and QSignalSpy.
using UserMap = QMap<QString, LoginSettingUser>;
using VideoList = QList<VideoSettingVideo>;
Q_DECLARE_METATYPE(VideoSettingVideo)
Q_DECLARE_METATYPE(LoginSettingUser)
Q_DECLARE_METATYPE(RecordSetting::RecordType)
Q_DECLARE_METATYPE(VideoSettingVideo::VideoEncoderMode)
Q_DECLARE_METATYPE(VideoSettingVideo::VideoStandard)
Q_DECLARE_METATYPE(Corvane::ClientLanguage)
Q_DECLARE_METATYPE(Corvane::UserPaltform)

namespace {

QStringList snapshot(const QObject* obj);

// Comparable text of a property value, containers and enums included.
QString describe(const QVariant& v)
{
    const int type = v.userType();
    QStringList parts;
    if (type == qMetaTypeId<VideoList>()) {
        for (const VideoSettingVideo& video : v.value<VideoList>())
            parts << snapshot(&video).join(',');
    } else if (type == qMetaTypeId<UserMap>()) {
        const UserMap users = v.value<UserMap>();
        for (auto it = users.begin(); it != users.end(); ++it)
            parts << it.key() + '=' + snapshot(&it.value()).join(',');
    } else if (QMetaType::typeFlags(type) & QMetaType::IsEnumeration) {
        return QString::number(*static_cast<const int*>(v.constData()));
    } else {
        return v.toString();
    }
    return '[' + parts.join(';') + ']';
}

QStringList snapshot(const QObject* obj)
{
    QStringList values;
    const QMetaObject* mo = obj->metaObject();
    for (int i = mo->propertyOffset(); i < mo->propertyCount(); ++i)
        values << describe(mo->property(i).read(obj));
    return values;
}

// A valid value of the property's type that differs from `current`.
QVariant otherValue(const QMetaProperty& p, const QVariant& current)
{
    const int type = current.userType();
    switch (type) {
    case QMetaType::Bool: return !current.toBool();
    case QMetaType::Int: return current.toInt() + 7;
    case QMetaType::LongLong: return current.toLongLong() + (Q_INT64_C(1) << 40);
    case QMetaType::QString: return QString(current.toString() + QStringLiteral("·x"));
    default: break;
    }
    if (type == qMetaTypeId<VideoList>()) {
        VideoSettingVideo video;
        video.setWidth(320);
        return QVariant::fromValue(VideoList{video});
    }
    if (type == qMetaTypeId<UserMap>()) {
        LoginSettingUser user;
        user.setEmail(QStringLiteral("a@example.org"));
        return QVariant::fromValue(UserMap{{user.email(), user}});
    }
    int n = *static_cast<const int*>(current.constData());
    if (p.isEnumType()) {
        const QMetaEnum e = p.enumerator();
        int k = 0;
        while (e.value(k) != n)
            ++k;
        n = e.value((k + 1) % e.keyCount());
    } else {
        ++n;
    }
    return QVariant(type, &n);
}

// Logs every signal of the watched objects with the sender's values at that moment.
class Recorder : public QObject
{
    Q_OBJECT
public:
    QVector<int> indices;        // local signal index of each emission
    QVector<QStringList> states; // the sender's values at that moment

    void watch(QObject* obj)
    {
        const QMetaObject* mo = obj->metaObject();
        const QMetaMethod slot = metaObject()->method(metaObject()->indexOfSlot("hit()"));
        for (int i = mo->methodOffset(); i < mo->methodCount(); ++i)
            QVERIFY(connect(obj, mo->method(i), this, slot));
    }
    void clear() { indices.clear(), states.clear(); }

public slots:
    void hit()
    {
        indices << senderSignalIndex() - sender()->metaObject()->methodOffset();
        states << snapshot(sender());
    }
};

// One row of a class's table: property, type, default, signal parameter
// (null: named like the property), and whether it has no storage.
struct Prop {
    const char* name;
    const char* type;
    QVariant def;
    const char* param = nullptr;
    bool noStorage = false;
};
struct Enum {
    const char* name;
    QStringList enumerators; // "KEY=value" in declaration order
};

struct ClassCase {
    const QMetaObject* mo;
    QObject* (*make)(QObject* parent);
    QObject* (*copy)(const QObject& other);
    void (*assign)(QObject& to, const QObject& from);
    bool (*trMatches)();
    QVector<Prop> props;
    QVector<Enum> enums;
    QVector<int> fieldOrder; // property indices; empty: property order
};

template <class T>
ClassCase classCase(QVector<Prop> props, QVector<Enum> enums = {}, QVector<int> fieldOrder = {})
{
    return {&T::staticMetaObject,
            [](QObject* parent) -> QObject* { return new T(parent); },
            [](const QObject& other) -> QObject* { return new T(static_cast<const T&>(other)); },
            [](QObject& to, const QObject& from) { static_cast<T&>(to) = static_cast<const T&>(from); },
            [] {
                QT_WARNING_PUSH
                QT_WARNING_DISABLE_DEPRECATED
                return T::tr("Record", "path", 2) == T::trUtf8("Record", "path", 2);
                QT_WARNING_POP
            },
            std::move(props), std::move(enums), std::move(fieldOrder)};
}

QVector<Prop> strings(std::initializer_list<const char*> names, const char* param = nullptr)
{
    QVector<Prop> props;
    for (const char* name : names)
        props.push_back({name, "QString", QString(), param});
    return props;
}

Prop noStorage(const char* name) { return {name, "int", 0, nullptr, true}; }

const QVector<ClassCase>& classes()
{
    static const QVector<ClassCase> all = {
        classCase<AudioSetting>({{"autoAdjust", "bool", true}, {"capDevIndex", "int", 0}, {"inputIndex", "int", 0},
                                 {"capVolume", "int", 100}, {"capVolumeAutoAdjust", "bool", false},
                                 {"playDevIndex", "int", 0}, {"playVolume", "int", 80}, {"encoderId", "int", 6},
                                 {"aec", "bool", true}, {"ans", "bool", true}, {"fec", "bool", true},
                                 {"agc", "bool", false}, {"vad", "bool", true}, {"audioEngine", "int", 1}}),
        classCase<ClientConfig>({{"version", "QString", "0.0.0.0"}, {"groupName", "QString", "Corvane"},
                                 {"productName", "QString", "CorvaneDesktop"}, {"buildNum", "qlonglong", 0},
                                 {"productSeries", "int", 1}, {"productId", "QString", ""}, {"clientType", "int", 1},
                                 {"terminalType", "int", 0}, {"clientMode", "int", 1}, {"paltform", "int", 1},
                                 noStorage("maxVideoWidth"), noStorage("maxVideoHeight"),
                                 noStorage("maxVideoFramerate"), noStorage("maxVideoBitrate"),
                                 noStorage("maxMediaBitrate")}),
        classCase<IntercomConfig>(strings({"appId", "accessToken", "appVersionDesc", "appDeviceDesc", "appOsName"})
                                  << Prop{"width", "int", 0} << Prop{"height", "int", 0}),
        classCase<JoinMeetingSetting>(strings({"meetingNum", "nickname", "email"})
                                      << Prop{"webinarNum", "QString", QString(), "strWebinarNum"}
                                      << strings({"webinarFirstName", "webinarLastName", "webinarEmail",
                                                  "webinarCheckCode"})),
        classCase<LoginSetting>(strings({"lastLoginUser", "autoLoginUser"})
                                << Prop{"users", "QMap<QString,LoginSettingUser>", QVariant::fromValue(UserMap())}),
        classCase<LoginSettingUser>(strings({"email", "password"}) << Prop{"paltform", "Corvane::UserPaltform", 1}),
        classCase<MeetingSetting>(
            {{"audioDefaultMute", "bool", false}, {"audioNeedGranted", "bool", false}, {"showMessageTips", "bool", true}}),
        classCase<MessageSetting>({{"flashIcon", "bool", true}, {"playSound", "bool", true}}),
        classCase<NormalSetting>({{"autoRun", "bool", false}, {"autoLogin", "bool", false, "atuoLogin"},
                                  {"language", "Corvane::ClientLanguage", 0}}),
        classCase<OmsUrlConfig>(strings({"plan", "updatePlan", "signup", "forgotPassword", "help", "webinarSchedule",
                                         "webinarLearnMore", "webinarDetailMore", "recordListUrl", "storageUrl"},
                                        "url")),
        classCase<OnionSetting>({{"capVolume", "int", 100}, {"playVolume", "int", 80}}),
        classCase<ProcessSetting>({{"port", "int", 0}}),
        classCase<RecordSetting>({{"recordType", "RecordType", 0},
                                  {"recordPath", "QString", PathHelper::defaultPathName(QStringLiteral("Record"))},
                                  {"videoFramerate", "int", 6}, {"maxFileSize", "int", 2048}},
                                 {{"RecordType", {"VideoAndAudio=0", "Audio=1"}}}),
        classCase<ServerSetting>(strings({"frontServer", "meetingServer", "a2Server", "imServer", "localApi", "ucApi",
                                          "webService"})
                                 << Prop{"frontAppId", "int", 20} << Prop{"meetingAppId", "int", 11}),
        classCase<ShareSetting>({{"isHideCorvaneWin", "bool", false}, {"isShareSound", "bool", false}}),
        classCase<ThirdCalendarConfig>(strings({"name", "redirectUrl", "oauthUrl", "tokenUrl", "resultUrl"})),
        classCase<ThirdContactsConfig>(
            strings({"name", "redirectUrl", "oauthUrl", "tokenUrl", "resultUrl", "resultRequestHeader"})),
        classCase<ThirdLoginConfig>(strings(
            {"name", "clientId", "clientSecret", "scope", "redirectUrl", "oauthUrl", "tokenUrl", "resultUrl"})),
        classCase<UISetting>({{"loginWinLastPage", "QString", "Welcome"}}),
        classCase<VideoSetting>(
            {{"defaultDevIndex", "int", 0}, {"videos", "QList<VideoSettingVideo>", QVariant::fromValue(VideoList())}}),
        classCase<VideoSettingVideo>(
            {{"devId", "int", 0}, {"autoAdjust", "bool", true}, {"bitrate", "int", 359700},
             {"framerate", "int", 15}, {"keyframeInterval", "int", 30}, {"encoderId", "int", 3},
             {"encoderMode", "VideoEncoderMode", 2}, {"vbrQuality", "int", 80}, {"width", "int", 640},
             {"height", "int", 480}, {"inputIndex", "int", 0}, {"standard", "VideoStandard", 1},
             {"denoise", "bool", true}, {"flip", "bool", false}},
            {{"VideoEncoderMode", {"ENCODERMODE_VBR=0", "ENCODERMODE_CBR=1", "ENCODERMODE_ABR=2"}},
             {"VideoStandard", {"VIDEOSTANDARD_PAL=1", "VIDEOSTANDARD_NTSC=2", "VIDEOSTANDARD_SECAM=3"}}},
            {0, 1, 3, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}),
    };
    return all;
}

bool isContainer(const Prop& p)
{
    const QByteArray type(p.type);
    return type.startsWith("QList<") || type.startsWith("QMap<");
}

} // namespace

class tst_SettingsObjects : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void metaObject_data();
    void metaObject();
    void valueSemantics_data() { metaObject_data(); }
    void valueSemantics();
    void recordPathAndSetter();
    void videoSettingVideo();
    void videoSettingList();
    void loginSettingOperations();
    void joinMeetingNullIsEmpty();
};

void tst_SettingsObjects::initTestCase()
{
    cvtest::isolateHome();
    QCOMPARE(QMetaType::type("RecordType"), int(QMetaType::UnknownType));
    QCOMPARE(QMetaType::type("QList<VideoSettingVideo>"), int(QMetaType::UnknownType));
    qRegisterMetaType<VideoSettingVideo>();
    qRegisterMetaType<LoginSettingUser>();
    qRegisterMetaType<VideoList>();
    qRegisterMetaType<UserMap>();
    qRegisterMetaType<Corvane::ClientLanguage>();
    qRegisterMetaType<Corvane::UserPaltform>();
    // Class enumerations under their qualified names (property reads) and
    // their bare names (signal parameters).
    qRegisterMetaType<RecordSetting::RecordType>();
    qRegisterMetaType<RecordSetting::RecordType>("RecordType");
    qRegisterMetaType<VideoSettingVideo::VideoEncoderMode>();
    qRegisterMetaType<VideoSettingVideo::VideoEncoderMode>("VideoEncoderMode");
    qRegisterMetaType<VideoSettingVideo::VideoStandard>();
    qRegisterMetaType<VideoSettingVideo::VideoStandard>("VideoStandard");
}

void tst_SettingsObjects::metaObject_data()
{
    QTest::addColumn<int>("row");
    for (int i = 0; i < classes().size(); ++i)
        QTest::newRow(classes()[i].mo->className()) << i;
}

// Properties, signals and enumerations as the client binds to them.
void tst_SettingsObjects::metaObject()
{
    QFETCH(int, row);
    const ClassCase& c = classes()[row];
    const QMetaObject* mo = c.mo;
    const int n = c.props.size();
    QCOMPARE(mo->superClass(), &QObject::staticMetaObject);
    QCOMPARE(mo->propertyCount() - mo->propertyOffset(), n);
    QCOMPARE(mo->methodCount() - mo->methodOffset(), n);
    QCOMPARE(mo->constructorCount(), 0);

    for (int i = 0; i < n; ++i) {
        const Prop& e = c.props[i];
        const QMetaProperty p = mo->property(mo->propertyOffset() + i);
        const QMetaMethod s = mo->method(mo->methodOffset() + i);
        QCOMPARE(QByteArray(p.typeName()) + ' ' + p.name() + " -> " + s.methodSignature() + ' ' +
                     s.parameterNames().value(0),
                 QByteArray(e.type) + ' ' + e.name + " -> " + e.name + "Changed(" + e.type + ") " +
                     (e.param ? e.param : e.name));
        QCOMPARE(s.methodType(), QMetaMethod::Signal);
        QCOMPARE(p.notifySignalIndex(), s.methodIndex());
        QVERIFY(p.isReadable() && p.isWritable() && p.isDesignable() && p.isScriptable() && p.isStored());
        QVERIFY(!p.isResettable() && !p.isConstant() && !p.isFinal() && !p.isUser());
    }

    QCOMPARE(mo->enumeratorCount() - mo->enumeratorOffset(), c.enums.size());
    for (int k = 0; k < c.enums.size(); ++k) {
        const QMetaEnum me = mo->enumerator(mo->enumeratorOffset() + k);
        QCOMPARE(me.name(), c.enums[k].name);
        QVERIFY(!me.isFlag());
        QStringList enumerators;
        for (int j = 0; j < me.keyCount(); ++j)
            enumerators << QStringLiteral("%1=%2").arg(me.key(j)).arg(me.value(j));
        QCOMPARE(enumerators, c.enums[k].enumerators);
    }

    std::unique_ptr<QObject> obj(c.make(nullptr));
    QCOMPARE(obj->metaObject(), mo);
    QCOMPARE(obj->qt_metacast(mo->className()), static_cast<void*>(obj.get()));
    QCOMPARE(obj->qt_metacast("QObject"), static_cast<void*>(obj.get()));
    QVERIFY(!obj->qt_metacast("QTimer"));
    QVERIFY(!obj->qt_metacast(nullptr));
    QVERIFY(c.trMatches());
}

// Defaults, writes and resets by name, copy and assignment, on every class.
void tst_SettingsObjects::valueSemantics()
{
    QFETCH(int, row);
    const ClassCase& c = classes()[row];
    const QMetaObject* mo = c.mo;
    const int n = c.props.size();
    const auto prop = [&](int i) { return mo->property(mo->propertyOffset() + i); };
    QObject parent;
    QObject* obj = c.make(&parent);
    QCOMPARE(obj->parent(), &parent);

    for (int i = 0; i < n; ++i) {
        QVERIFY2(prop(i).read(obj).isValid(), c.props[i].name);
        QCOMPARE(describe(prop(i).read(obj)), describe(c.props[i].def));
    }

    Recorder rec;
    rec.watch(obj);
    const QStringList defaults = snapshot(obj);
    for (int i = 0; i < n; ++i)
        QVERIFY(!prop(i).reset(obj));
    QCOMPARE(snapshot(obj), defaults);
    QVERIFY(rec.indices.isEmpty());

    // A write by name stores, then emits its own signal once with the new
    // value; the same value again emits nothing, except for containers.
    for (int i = 0; i < n; ++i) {
        const Prop& e = c.props[i];
        const QVariant value = otherValue(prop(i), prop(i).read(obj));
        QSignalSpy spy(obj, mo->method(mo->methodOffset() + i));
        QVERIFY(spy.isValid());
        rec.clear();
        QVERIFY(prop(i).write(obj, value));
        if (e.noStorage) {
            QCOMPARE(describe(prop(i).read(obj)), QStringLiteral("0"));
            QVERIFY(rec.indices.isEmpty());
            continue;
        }
        QCOMPARE(describe(prop(i).read(obj)), describe(value));
        QCOMPARE(rec.indices, QVector<int>{i});
        QCOMPARE(rec.states[0][i], describe(value));
        QCOMPARE(describe(spy.at(0).at(0)), describe(value));
        QVERIFY(prop(i).write(obj, value));
        QCOMPARE(rec.indices.size(), isContainer(e) ? 2 : 1);
    }

    // A copy takes the values only: no parent, name, dynamic property or
    // connection, and the source emits nothing.
    const QStringList changed = snapshot(obj);
    obj->setObjectName(QStringLiteral("held"));
    obj->setProperty("dynamic", 1);
    rec.clear();
    std::unique_ptr<QObject> copy(c.copy(*obj));
    std::unique_ptr<QObject> fresh(c.make(nullptr));
    QVERIFY(rec.indices.isEmpty());
    QVERIFY(!copy->parent());
    QVERIFY(copy->objectName().isEmpty());
    QVERIFY(copy->dynamicPropertyNames().isEmpty());
    QCOMPARE(snapshot(copy.get()), snapshot(obj));
    c.assign(*copy, *fresh);
    QCOMPARE(snapshot(copy.get()), defaults);
    QCOMPARE(snapshot(obj), changed);
    QVERIFY(rec.indices.isEmpty());

    // Assignment visits the fields in field order, each stored just before
    // its own signal, so a receiver still sees the old values of later fields.
    QVector<int> order = c.fieldOrder;
    for (int i = 0; order.size() < n; ++i)
        order << i;
    QVector<int> expected, containers;
    for (int i : order) {
        if (!c.props[i].noStorage)
            expected << i;
        if (isContainer(c.props[i]))
            containers << i;
    }
    QObject* target = c.make(&parent);
    target->setObjectName(QStringLiteral("target"));
    Recorder targetRec;
    targetRec.watch(target);
    c.assign(*target, *obj);
    QCOMPARE(targetRec.indices, expected);
    QStringList during = defaults;
    for (int k = 0; k < expected.size(); ++k) {
        during[expected[k]] = changed[expected[k]];
        QCOMPARE(targetRec.states[k], during);
    }
    QCOMPARE(snapshot(target), changed);
    QCOMPARE(target->parent(), &parent);
    QCOMPARE(target->objectName(), QStringLiteral("target"));
    QVERIFY(target->dynamicPropertyNames().isEmpty());

    targetRec.clear();
    c.assign(*target, *obj);
    QCOMPARE(targetRec.indices, containers);
    targetRec.clear();
    c.assign(*target, *target);
    QVERIFY(targetRec.indices.isEmpty());
}

// The default recording path, computed afresh for every object and copy.
void tst_SettingsObjects::recordPathAndSetter()
{
    const QString path = PathHelper::defaultPathName(QStringLiteral("Record"));
    QCOMPARE(PathHelper::defaultPathName(QStringLiteral("Record")), path);
    QVERIFY(path.startsWith(cvtest::isolateHome() + '/'));
    QVERIFY(path.startsWith(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + '/'));
    QVERIFY(path.endsWith(QStringLiteral("/Record")));

    RecordSetting record;
    QCOMPARE(RecordSetting(record).recordPath(), path);
    record.setRecordPath(QStringLiteral("/elsewhere"));
    QCOMPARE(RecordSetting(record).recordPath(), QStringLiteral("/elsewhere"));

    // Pointer-to-member connections find the signal, and see the stored value.
    int seen = -1;
    QSignalSpy spy(&record, &RecordSetting::videoFramerateChanged);
    connect(&record, &RecordSetting::videoFramerateChanged, this, [&] { seen = record.videoFramerate(); });
    record.setVideoFramerate(10);
    record.setVideoFramerate(10);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(seen, 10);
}

void tst_SettingsObjects::videoSettingVideo()
{
    VideoSettingVideo video;
    QSignalSpy interval(&video, &VideoSettingVideo::keyframeIntervalChanged);
    video.adjustKeyframeInterval(); // 15 fps already gives 30
    video.setFramerate(25);
    QCOMPARE(video.keyframeInterval(), 30);
    QCOMPARE(interval.count(), 0);
    video.adjustKeyframeInterval();
    video.adjustKeyframeInterval();
    QCOMPARE(interval.count(), 1);
    QCOMPARE(interval.at(0).at(0).toInt(), 50);
    video.setFramerate(0);
    video.adjustKeyframeInterval();
    QCOMPARE(video.keyframeInterval(), 0);

    // Frame rate is stored and signalled before bit rate.
    VideoSettingVideo source, target;
    source.setBitrate(1000);
    source.setFramerate(30);
    QStringList seen;
    const auto log = [&](const char* signal) {
        seen << QStringLiteral("%1: %2 fps %3 bps").arg(signal).arg(target.framerate()).arg(target.bitrate());
    };
    connect(&target, &VideoSettingVideo::framerateChanged, this, [&] { log("framerate"); });
    connect(&target, &VideoSettingVideo::bitrateChanged, this, [&] { log("bitrate"); });
    target = source;
    QCOMPARE(seen, (QStringList{"framerate: 30 fps 359700 bps", "bitrate: 30 fps 1000 bps"}));
}

void tst_SettingsObjects::videoSettingList()
{
    VideoSetting setting;
    VideoSettingVideo profile;
    profile.setWidth(1280);
    setting.setVideos({profile});
    const VideoList held = setting.videos();

    // Handing back the very list stores nothing new but still signals; so
    // does an equal list that is not shared.
    QSignalSpy spy(&setting, &VideoSetting::videosChanged);
    setting.setVideos(setting.videos());
    QCOMPARE(spy.count(), 1);
    QVERIFY(setting.videos().isSharedWith(held));
    QCOMPARE(&setting.videos().at(0), &held.at(0));
    setting.setVideos({profile});
    QCOMPARE(spy.count(), 2);
    QCOMPARE(setting.videos().at(0).width(), 1280);

    // A copy shares the list; assigning equal values ends in one videosChanged.
    VideoSetting copy(setting);
    QVERIFY(copy.videos().isSharedWith(setting.videos()));
    Recorder rec;
    rec.watch(&copy);
    copy = setting;
    QCOMPARE(rec.indices, QVector<int>{1});
}

void tst_SettingsObjects::loginSettingOperations()
{
    const QString ann = QStringLiteral("ann@example.org");
    const QVector<int> usersChanged{2};
    LoginSetting login;
    Recorder rec;
    rec.watch(&login);

    LoginSettingUser user;
    user.setPassword(QStringLiteral("one"));
    login.replaceIntoUser(user); // no e-mail: ignored
    QVERIFY(rec.indices.isEmpty() && login.users().isEmpty());
    user.setEmail(ann);
    login.replaceIntoUser(user);
    user.setPassword(QStringLiteral("two"));
    user.setPaltform(Corvane::UserPaltform(3));
    rec.clear();
    login.replaceIntoUser(user);
    QCOMPARE(rec.indices, usersChanged);
    QCOMPARE(login.users().keys(), QStringList{ann});
    QCOMPARE(login.user(ann).password(), QStringLiteral("two"));
    QCOMPARE(int(login.user(ann).paltform()), 3);

    // Unknown names, compared with case: a default account, nothing added;
    // removal still signals.
    const LoginSettingUser unknown = login.user(QStringLiteral("Ann@example.org"));
    QVERIFY(unknown.email().isEmpty() && unknown.password().isEmpty());
    QCOMPARE(int(unknown.paltform()), 1);
    rec.clear();
    login.removeUser(QStringLiteral("nobody"));
    QCOMPARE(rec.indices, usersChanged);
    QCOMPARE(login.users().keys(), QStringList{ann});

    LoginSetting fresh;
    Recorder freshRec;
    freshRec.watch(&fresh);
    fresh.reset();
    QCOMPARE(freshRec.indices, usersChanged);
    login.setLastLoginUser(ann);
    rec.clear();
    login.reset();
    QCOMPARE(rec.indices, (QVector<int>{0, 2}));
    QVERIFY(login.lastLoginUser().isEmpty() && login.users().isEmpty());
}

// The null default equals the empty string, so neither form signals.
void tst_SettingsObjects::joinMeetingNullIsEmpty()
{
    JoinMeetingSetting join;
    QVERIFY(join.meetingNum().isNull());
    Recorder rec;
    rec.watch(&join);
    join.setMeetingNum(QStringLiteral(""));
    join.setMeetingNum(QStringLiteral("123"));
    join.setMeetingNum(QString());
    join.setMeetingNum(QStringLiteral(""));
    QCOMPARE(rec.indices, (QVector<int>{0, 0}));
}

CV_SETTINGS_TEST_MAIN(tst_SettingsObjects)

#include "tst_settingsobjects.moc"
