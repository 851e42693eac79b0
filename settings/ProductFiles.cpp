#include "ProductFiles_p.h"

#include "ConfigMgr_p.h"
#include "DataFile_p.h"

#include <QDomDocument>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstddef>

namespace cvsettings {

namespace {

// One value of a product file: the element or member name and the setter it
// feeds. The tables below are in the order the setters are called, which is
// the order their change signals fire in.
template <class T, class V> struct Field {
    const char* name;
    void (T::*set)(V);
};
template <class T> using TextField = Field<T, const QString&>;
template <class T> using IntField = Field<T, int>;

const TextField<OmsUrlConfig> kUrlGroup[] = {
    { "MyPlan", &OmsUrlConfig::setPlan },
    { "UpdatePlan", &OmsUrlConfig::setUpdatePlan },
    { "SignUp", &OmsUrlConfig::setSignup },
    { "ForgotPwd", &OmsUrlConfig::setForgotPassword },
    { "Help", &OmsUrlConfig::setHelp },
};
const TextField<OmsUrlConfig> kWebinarGroup[] = {
    { "Schedule", &OmsUrlConfig::setWebinarSchedule },
    { "LearnMore", &OmsUrlConfig::setWebinarLearnMore },
    { "DetailMore", &OmsUrlConfig::setWebinarDetailMore },
};
const TextField<OmsUrlConfig> kCloudGroup[] = {
    { "RecordList", &OmsUrlConfig::setRecordListUrl },
    { "Storage", &OmsUrlConfig::setStorageUrl },
};

const TextField<ThirdLoginConfig> kLoginProvider[] = {
    { "ThirdName", &ThirdLoginConfig::setName },
    { "ClientID", &ThirdLoginConfig::setClientId },
    { "ClientSecret", &ThirdLoginConfig::setClientSecret },
    { "Scope", &ThirdLoginConfig::setScope },
    { "RedirectUrl", &ThirdLoginConfig::setRedirectUrl },
    { "OAuthUrl", &ThirdLoginConfig::setOauthUrl },
    { "TokenUrl", &ThirdLoginConfig::setTokenUrl },
    { "ResultUrl", &ThirdLoginConfig::setResultUrl },
};
const TextField<ThirdContactsConfig> kContactsProvider[] = {
    { "ThirdName", &ThirdContactsConfig::setName },
    { "RedirectUrl", &ThirdContactsConfig::setRedirectUrl },
    { "OAuthUrl", &ThirdContactsConfig::setOauthUrl },
    { "TokenUrl", &ThirdContactsConfig::setTokenUrl },
    { "ResultUrl", &ThirdContactsConfig::setResultUrl },
    { "ResultRequestHeader", &ThirdContactsConfig::setResultRequestHeader },
};
const TextField<ThirdCalendarConfig> kCalendarProvider[] = {
    { "ThirdName", &ThirdCalendarConfig::setName },
    { "RedirectUrl", &ThirdCalendarConfig::setRedirectUrl },
    { "OAuthUrl", &ThirdCalendarConfig::setOauthUrl },
    { "TokenUrl", &ThirdCalendarConfig::setTokenUrl },
    { "ResultUrl", &ThirdCalendarConfig::setResultUrl },
};

// "/cvserver.data". The ids apply whenever present, the texts only when not
// empty, so an empty text never clears a value.
const IntField<ServerSetting> kServerIds[] = {
    { "FrontSrvAppID", &ServerSetting::setFrontAppId },
    { "RoomAppID", &ServerSetting::setMeetingAppId },
};
const TextField<ServerSetting> kServerTexts[] = {
    { "FrontServer", &ServerSetting::setFrontServer },
    { "A2Server", &ServerSetting::setA2Server },
    { "ImServer", &ServerSetting::setImServer },
    { "WebService", &ServerSetting::setWebService },
    { "HttpApiRootUrl", &ServerSetting::setUcApi },
    { "LocalRootUrl", &ServerSetting::setLocalApi },
};
const TextField<IntercomConfig> kIntercomTexts[] = {
    { "AppId", &IntercomConfig::setAppId },
    { "AccessToken", &IntercomConfig::setAccessToken },
    { "AppVersionDesc", &IntercomConfig::setAppVersionDesc },
    { "AppDeviceDesc", &IntercomConfig::setAppDeviceDesc },
    { "AppOsName", &IntercomConfig::setAppOsName },
};
const IntField<IntercomConfig> kIntercomNumbers[] = {
    { "Width", &IntercomConfig::setWidth },
    { "Height", &IntercomConfig::setHeight },
};

// Every setter is called with the text of the first child element of its
// name; a missing element gives an empty text. One walk over the children
// finds them all, where looking each name up would walk them once per field.
template <class T, std::size_t N>
void applyElements(T& target, const QDomElement& parent, const TextField<T> (&fields)[N])
{
    QDomElement found[N];
    for (QDomElement e = parent.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        const QString tag = e.tagName();
        for (std::size_t i = 0; i < N; ++i) {
            if (found[i].isNull() && tag == QLatin1String(fields[i].name))
                found[i] = e;
        }
    }
    // Through a reference: GCC's bounds sanitizer misreads the index of an
    // array element whose member function pointer is called directly.
    for (std::size_t i = 0; i < N; ++i) {
        const TextField<T>& field = fields[i];
        (target.*field.set)(found[i].text());
    }
}

// A group element that is missing leaves its addresses alone.
template <std::size_t N>
void applyUrlGroup(
    OmsUrlConfig& urls, const QDomElement& oms, const char* group, const TextField<OmsUrlConfig> (&fields)[N])
{
    const QDomElement element = oms.firstChildElement(QLatin1String(group));
    if (!element.isNull())
        applyElements(urls, element, fields);
}

// One new object per "Third" element of the first section of that name,
// filed under its name. A later object of the same name takes the entry over;
// the one it replaces lives on as a child of the manager.
template <class T, std::size_t N>
void fileProviders(QObject* owner, const QDomElement& root, const char* section, const TextField<T> (&fields)[N],
    QMap<QString, T*>& map)
{
    const QString third = QStringLiteral("Third");
    const QDomElement sectionElement = root.firstChildElement(QLatin1String(section));
    for (QDomElement e = sectionElement.firstChildElement(third); !e.isNull(); e = e.nextSiblingElement(third)) {
        T* provider = new T(owner);
        applyElements(*provider, e, fields);
        map.insert(provider->name(), provider);
    }
}

template <class T, std::size_t N>
void applyJsonInts(T& target, const QJsonObject& object, const IntField<T> (&fields)[N])
{
    for (const IntField<T>& field : fields) {
        int value = 0;
        if (jsonIntValue(object, QLatin1String(field.name), value))
            (target.*field.set)(value);
    }
}

template <class T, std::size_t N>
void applyJsonTexts(T& target, const QJsonObject& object, const TextField<T> (&fields)[N])
{
    for (const TextField<T>& field : fields) {
        QString value;
        if (jsonStringValue(object, QLatin1String(field.name), value) && !value.isEmpty())
            (target.*field.set)(value);
    }
}

} // namespace

void applyClientConfig(ConfigMgrPrivate& d, const QByteArray& plaintext)
{
    QDomDocument document;
    if (!parseXml(plaintext, document))
        return;
    const QDomElement root = document.firstChildElement(QStringLiteral("root"));
    if (root.isNull())
        return;

    // Every setter is called: a missing element sets an empty text or 0.
    const auto text = [&root](const char* name) { return childElementText(root, QLatin1String(name)); };
    const auto number = [&root](const char* name) { return childElementInt(root, QLatin1String(name)); };
    ClientConfig& config = *d.clientConfig;
    config.setGroupName(text("GroupName"));
    config.setProductName(text("ProductName"));
    config.setBuildNum(number("BuildNum")); // a 32-bit number, widened with its sign
    config.setVersion(text("Version"));
    config.setProductSeries(number("ProductSeries"));
    config.setProductId(text("ProductID"));
    config.setClientType(number("ClientType"));
    config.setTerminalType(number("TerminalType"));
    config.setClientMode(number("ClientMode"));
}

void applyOmsUrlConfig(ConfigMgrPrivate& d, const QByteArray& plaintext)
{
    QDomDocument document;
    if (!parseXml(plaintext, document))
        return;
    const QDomElement oms = document.firstChildElement(QStringLiteral("oms"));
    if (oms.isNull())
        return;
    applyUrlGroup(*d.omsUrlConfig, oms, "url", kUrlGroup);
    applyUrlGroup(*d.omsUrlConfig, oms, "webinar", kWebinarGroup);
    applyUrlGroup(*d.omsUrlConfig, oms, "cloud", kCloudGroup);
}

void applyThirdConfigs(ConfigMgrPrivate& d, const QByteArray& plaintext)
{
    QDomDocument document;
    if (!parseXml(plaintext, document))
        return;
    const QDomElement root = document.firstChildElement(QStringLiteral("root"));
    if (root.isNull())
        return;
    fileProviders(d.owner, root, "ThirdLogin", kLoginProvider, d.thirdLoginConfigs);
    fileProviders(d.owner, root, "ThirdContacts", kContactsProvider, d.thirdContactsConfigs);
    fileProviders(d.owner, root, "ThirdCalendar", kCalendarProvider, d.thirdCalendarConfigs);
}

void applyServerDataFile(ConfigMgrPrivate& d, const QByteArray& plaintext)
{
    // Anything but a JSON object reads as an empty one.
    const QJsonObject object = QJsonDocument::fromJson(plaintext).object();
    applyJsonInts(*d.serverSetting, object, kServerIds);
    applyJsonTexts(*d.serverSetting, object, kServerTexts);

    const QString intercom = QStringLiteral("Intercom");
    if (object.contains(intercom)) {
        const QJsonObject service = object.value(intercom).toObject();
        applyJsonTexts(*d.intercomConfig, service, kIntercomTexts);
        applyJsonInts(*d.intercomConfig, service, kIntercomNumbers);
    }
}

void loadClientConfig(ConfigMgrPrivate& d)
{
    QByteArray plaintext;
    if (readDataFile(dataFilePath(d.appDirPath, kClientConfigFile), plaintext))
        applyClientConfig(d, plaintext);
}

void loadOmsUrlConfig(ConfigMgrPrivate& d)
{
    QByteArray plaintext;
    if (readDataFile(dataFilePath(d.appDirPath, kOmsUrlConfigFile), plaintext))
        applyOmsUrlConfig(d, plaintext);
}

void loadThirdConfigs(ConfigMgrPrivate& d)
{
    QByteArray plaintext;
    if (readDataFile(dataFilePath(d.appDirPath, kThirdConfigFile), plaintext))
        applyThirdConfigs(d, plaintext);
}

void loadServerDataFile(ConfigMgrPrivate& d)
{
    QByteArray plaintext;
    if (readDataFile(dataFilePath(d.appDirPath, kServerDataFile), plaintext))
        applyServerDataFile(d, plaintext);
}

} // namespace cvsettings
