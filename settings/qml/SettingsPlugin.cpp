#include "PropertyMaps.h"
#include "SettingsAdaptor.h"

#include "ConfigMgr.h"
#include "CorvaneTypes.h"
#include "LoginSettingUser.h"
#include "SettingsGroups_p.h"
#include "VideoSettingVideo.h"

#include <QJSValue>
#include <QQmlEngine>
#include <QQmlExtensionPlugin>

// The two containers are declared here alone, beside their converters, and
// their element types never are: so Qt registers no generic iteration for
// them, and QML takes the converters' lists and maps of plain values.
using LoginSettingUsers = QMap<QString, LoginSettingUser>;
Q_DECLARE_METATYPE(QList<VideoSettingVideo>)
Q_DECLARE_METATYPE(LoginSettingUsers)

class CorvaneSettingsPlugin : public QQmlExtensionPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QQmlExtensionInterface_iid)

public:
    void registerTypes(const char* uri) override
    {
        registerValueTypes();

        const QString reason = QStringLiteral("settings objects come from Settings, the application's ConfigMgr");
#define CV_TYPE(Class) qmlRegisterUncreatableType<Class>(uri, 1, 0, #Class, reason);
        CV_SETTINGS_CLASSES(CV_TYPE)
#undef CV_TYPE
        qmlRegisterUncreatableMetaObject(
            CorvaneEnums::staticMetaObject, uri, 1, 0, "Corvane", QStringLiteral("Corvane holds enumerations only"));
        qmlRegisterSingletonType<SettingsAdaptor>(uri, 1, 0, "Settings", [](QQmlEngine*, QJSEngine*) -> QObject* {
            // The application creates the one manager; QML never makes another.
            ConfigMgr* manager = ConfigMgr::getInstance();
            if (!manager)
                qWarning("Corvane.Settings: no ConfigMgr yet; create it before the QML that uses Settings");
            return new SettingsAdaptor(manager);
        });
    }

private:
    // Property and signal types that the library leaves unregistered: QML can
    // neither read nor pass a value of an unknown type.
    static void registerValueTypes()
    {
        // The client's shared enumerations, registered once for every user
        // of them: whichever of the application, cvconf's code or this
        // plugin comes first, the types are the same, and convert to and
        // from int as every enumeration does. Qt 6's QML reads such a
        // property as a number, Qt 5's as a wrapped value that is == (not
        // ===) to its number.
        CorvaneEnums::registerTypes();
        // The containers stay opaque to QML (it has no use for settings
        // objects by value), but take lists and maps of property maps, so a
        // screen can assign edited Settings.videos and Settings.users to them.
        qRegisterMetaType<QList<VideoSettingVideo>>("QList<VideoSettingVideo>");
        qRegisterMetaType<LoginSettingUsers>("QMap<QString,LoginSettingUser>");
        // Qt 5 hands QML's arrays and objects over as QJSValue, Qt 6 as
        // QVariantList and QVariantMap.
        const auto videos = [](const QVariantList& maps) {
            QList<VideoSettingVideo> list;
            for (const QVariant& map : maps) {
                list.append(VideoSettingVideo());
                assignProperties(list.last(), map.toMap());
            }
            return list;
        };
        const auto users = [](const QVariantMap& maps) {
            LoginSettingUsers byEmail;
            for (auto it = maps.cbegin(); it != maps.cend(); ++it)
                assignProperties(byEmail[it.key()], it.value().toMap());
            return byEmail;
        };
        QMetaType::registerConverter<QVariantList, QList<VideoSettingVideo>>(videos);
        QMetaType::registerConverter<QVariantMap, LoginSettingUsers>(users);
        QMetaType::registerConverter<QJSValue, QList<VideoSettingVideo>>(
            [videos](const QJSValue& maps) { return videos(maps.toVariant().toList()); });
        QMetaType::registerConverter<QJSValue, LoginSettingUsers>(
            [users](const QJSValue& maps) { return users(maps.toVariant().toMap()); });
    }
};

#include "SettingsPlugin.moc"
