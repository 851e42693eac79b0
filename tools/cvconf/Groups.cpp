#include "Groups.h"

#include "ConfigMgr.h"
#include "Corvane.h"

#include <QMetaEnum>
#include <QMetaProperty>

Q_DECLARE_METATYPE(Corvane::ClientLanguage)
Q_DECLARE_METATYPE(Corvane::UserPaltform)

namespace {

template <class G, const G& (ConfigMgr::*Get)() const>
const QObject& heldGroup(ConfigMgr& mgr)
{
    return (mgr.*Get)();
}

// The client's own way to change a preference: copy, change, write back.
template <class G, const G& (ConfigMgr::*Get)() const, void (ConfigMgr::*Write)(const G&)>
bool writeGroup(ConfigMgr& mgr, const char* property, const QVariant& value)
{
    G copy((mgr.*Get)());
    if (!copy.setProperty(property, value))
        return false;
    (mgr.*Write)(copy);
    return true;
}

#define CV_READONLY(Name, Class, getter) {Name, heldGroup<Class, &ConfigMgr::getter>, nullptr}
#define CV_CHANGEABLE(Name, Class, getter, writer)                                  \
    {Name, heldGroup<Class, &ConfigMgr::getter>,                                    \
     writeGroup<Class, &ConfigMgr::getter, &ConfigMgr::writer>}

} // namespace

const QList<Group>& groups()
{
    static const QList<Group> all = {
        CV_READONLY("Client", ClientConfig, clientConfig),
        CV_READONLY("Server", ServerSetting, serverSetting),
        CV_READONLY("Intercom", IntercomConfig, intercomConfig),
        CV_READONLY("OmsUrl", OmsUrlConfig, omsUrlConfig),
        CV_CHANGEABLE("Normal", NormalSetting, normalSetting, writeNormalSetting),
        CV_CHANGEABLE("Meeting", MeetingSetting, meetingSetting, writeMeetingSetting),
        CV_CHANGEABLE("Message", MessageSetting, messageSetting, writeMessageSetting),
        CV_CHANGEABLE("Audio", AudioSetting, audioSetting, writeAudioSetting),
        CV_READONLY("Video", VideoSetting, videoSetting), // not kept in the settings file
        CV_CHANGEABLE("Record", RecordSetting, recordSetting, writeRecordSetting),
        CV_CHANGEABLE("Login", LoginSetting, loginSetting, writeLoginSetting),
        CV_CHANGEABLE("UI", UISetting, uiSetting, writeUiSetting),
        CV_CHANGEABLE("JoinMeeting", JoinMeetingSetting, joinMeetingSetting, writeJoinMeetingSetting),
        CV_CHANGEABLE("Share", ShareSetting, shareSetting, writeShareSetting),
        CV_CHANGEABLE("Onion", OnionSetting, onionSetting, writeOnionSetting),
        CV_CHANGEABLE("Process", ProcessSetting, processSetting, writeProcessSetting),
    };
    return all;
}

const Group* findGroup(const QString& name)
{
    for (const Group& g : groups())
        if (name.compare(QLatin1String(g.name), Qt::CaseInsensitive) == 0)
            return &g;
    return nullptr;
}

QStringList groupNames()
{
    QStringList names;
    for (const Group& g : groups())
        names << QLatin1String(g.name);
    return names;
}

void registerSharedTypes()
{
    qRegisterMetaType<Corvane::ClientLanguage>("Corvane::ClientLanguage");
    qRegisterMetaType<Corvane::UserPaltform>("Corvane::UserPaltform");
}

namespace {

bool isSharedEnum(const QMetaProperty& p)
{
    return QByteArray(p.typeName()).startsWith("Corvane::");
}

bool isContainer(const QMetaProperty& p)
{
    const QByteArray type = p.typeName();
    return type.startsWith("QList<") || type.startsWith("QMap<");
}

} // namespace

QVariant plainValue(const QObject& object, const QMetaProperty& property)
{
    if (isContainer(property))
        return QVariant();
    const QVariant value = property.read(&object);
    if (property.isEnumType() || isSharedEnum(property))
        return *static_cast<const int*>(value.constData()); // every enumeration here is 32-bit
    return value;
}

bool parseValue(const QMetaProperty& p, const QString& text, QVariant& value, QString& error)
{
    if (isContainer(p)) {
        error = QStringLiteral("'%1' holds a list and cannot be set from the command line").arg(QLatin1String(p.name()));
        return false;
    }
    if (!p.isWritable()) {
        error = QStringLiteral("'%1' is read only").arg(QLatin1String(p.name()));
        return false;
    }
    bool ok = false;
    // Enumerations first: an unregistered class enumeration reports int as its type.
    if (p.isEnumType() || isSharedEnum(p)) {
        int number = text.toInt(&ok, 10);
        if (!ok && p.isEnumType())
            number = p.enumerator().keyToValue(text.toLatin1().constData(), &ok);
        if (ok && p.userType() == qMetaTypeId<Corvane::ClientLanguage>())
            value = QVariant::fromValue(static_cast<Corvane::ClientLanguage>(number));
        else if (ok && p.userType() == qMetaTypeId<Corvane::UserPaltform>())
            value = QVariant::fromValue(static_cast<Corvane::UserPaltform>(number));
        else
            value = number;
    } else if (p.userType() == QMetaType::Bool) {
        const QString t = text.toLower();
        ok = QStringList{"true", "false", "1", "0", "yes", "no", "on", "off"}.contains(t);
        value = QStringList{"true", "1", "yes", "on"}.contains(t);
    } else if (p.userType() == QMetaType::Int) {
        value = text.toInt(&ok, 10);
    } else if (p.userType() == QMetaType::LongLong) {
        value = text.toLongLong(&ok, 10);
    } else if (p.userType() == QMetaType::QString) {
        ok = true;
        value = text;
    }
    if (!ok)
        error = QStringLiteral("'%1' is not a valid %2 for '%3'")
                    .arg(text, QLatin1String(p.typeName()), QLatin1String(p.name()));
    return ok;
}
