#include "SettingsAdaptor.h"
#include "PropertyMaps.h"

#include "ConfigMgr.h"
#include "LoginSettingUser.h"
#include "VideoSettingVideo.h"

#include <QQmlEngine>

namespace {

// The manager's accessors hand out its groups as const; QML needs them
// writable, so that assignments reach their setters. The groups are the
// manager's QObject children, the first of their classes, and the object tree
// gives them as they are.
template <typename T> QObject* held(const QPointer<ConfigMgr>& manager)
{
    return manager ? manager->findChild<T*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

template <typename T>
bool apply(const QPointer<ConfigMgr>& manager, QObject* setting, void (ConfigMgr::*operation)(const T&))
{
    const T* group = qobject_cast<const T*>(setting);
    if (!manager || !group)
        return false;
    (manager.data()->*operation)(*group);
    return true;
}

template <typename T> QObject* copyOf(const QObject* setting) { return new T(*static_cast<const T*>(setting)); }

struct Copier {
    const QMetaObject* meta;
    QObject* (*copy)(const QObject*);
};

#define CV_COPIER(Class) { &Class::staticMetaObject, copyOf<Class> },
const Copier kCopiers[] = { CV_SETTINGS_CLASSES(CV_COPIER) };
#undef CV_COPIER

QObject* engineOwnedCopy(const QObject* setting)
{
    if (!setting)
        return nullptr;
    for (const Copier& copier : kCopiers) {
        if (setting->metaObject() == copier.meta) {
            QObject* copy = copier.copy(setting);
            QQmlEngine::setObjectOwnership(copy, QQmlEngine::JavaScriptOwnership);
            return copy;
        }
    }
    return nullptr;
}

QObject* keptByManager(QObject* object)
{
    if (object)
        QQmlEngine::setObjectOwnership(object, QQmlEngine::CppOwnership);
    return object;
}

} // namespace

SettingsAdaptor::SettingsAdaptor(ConfigMgr* manager, QObject* parent)
    : QObject(parent)
    , m_manager(manager)
{
    if (!manager)
        return;
    connect(manager, &ConfigMgr::supportIcsFileChanged, this, &SettingsAdaptor::supportIcsFileChanged);
    connect(&manager->videoSetting(), &VideoSetting::videosChanged, this, &SettingsAdaptor::videosChanged);
    connect(&manager->loginSetting(), &LoginSetting::usersChanged, this, &SettingsAdaptor::usersChanged);
}

#define CV_HELD(Class, member) \
    QObject* SettingsAdaptor::member() const { return held<Class>(m_manager); }
#define CV_PRODUCT_GROUP(Class, member, ...) CV_HELD(Class, member)
#define CV_USER_GROUP(Class, member, Operation, ...)                           \
    CV_HELD(Class, member)                                                     \
    bool SettingsAdaptor::set##Operation(QObject* setting)                     \
    {                                                                          \
        return apply<Class>(m_manager, setting, &ConfigMgr::set##Operation);   \
    }                                                                          \
    bool SettingsAdaptor::write##Operation(QObject* setting)                   \
    {                                                                          \
        return apply<Class>(m_manager, setting, &ConfigMgr::write##Operation); \
    }                                                                          \
    void SettingsAdaptor::save##Operation()                                    \
    {                                                                          \
        if (m_manager)                                                         \
            m_manager->save##Operation();                                      \
    }
CV_SETTINGS_GROUPS(CV_PRODUCT_GROUP, CV_USER_GROUP)
#undef CV_USER_GROUP
#undef CV_PRODUCT_GROUP
#undef CV_HELD

QString SettingsAdaptor::google() const { return m_manager ? m_manager->google() : QString(); }
QString SettingsAdaptor::facebook() const { return m_manager ? m_manager->facebook() : QString(); }
QString SettingsAdaptor::outlook() const { return m_manager ? m_manager->outlook() : QString(); }
bool SettingsAdaptor::supportIcsFile() const { return m_manager && m_manager->supportIcsFile(); }

void SettingsAdaptor::setSupportIcsFile(bool icsSupport)
{
    if (m_manager)
        m_manager->setSupportIcsFile(icsSupport);
}

QVariantList SettingsAdaptor::videos() const
{
    QVariantList list;
    if (m_manager) {
        for (const VideoSettingVideo& video : m_manager->videoSetting().videos())
            list.append(propertyMap(video));
    }
    return list;
}

QVariantMap SettingsAdaptor::users() const
{
    QVariantMap map;
    if (m_manager) {
        const QMap<QString, LoginSettingUser>& users = m_manager->loginSetting().users();
        for (auto it = users.cbegin(); it != users.cend(); ++it)
            map.insert(it.key(), propertyMap(it.value()));
    }
    return map;
}

void SettingsAdaptor::loadConfig()
{
    if (m_manager)
        m_manager->loadConfig();
}

QObject* SettingsAdaptor::copy(QObject* setting) const { return engineOwnedCopy(setting); }

void SettingsAdaptor::replaceIntoUser(const QVariantMap& user)
{
    if (!m_manager)
        return;
    LoginSettingUser account;
    assignProperties(account, user);
    LoginSetting group(m_manager->loginSetting());
    group.replaceIntoUser(account);
    m_manager->setLoginSetting(group);
}

void SettingsAdaptor::removeUser(const QString& email)
{
    if (!m_manager)
        return;
    LoginSetting group(m_manager->loginSetting());
    group.removeUser(email);
    m_manager->setLoginSetting(group);
}

QObject* SettingsAdaptor::thirdLoginConfig(const QString& name) const
{
    if (!m_manager)
        return nullptr;
    const ThirdLoginConfig config = m_manager->thirdLoginConfig(name);
    return config.name().isEmpty() ? nullptr : engineOwnedCopy(&config);
}

QObject* SettingsAdaptor::thirdContactsConfig(const QString& name) const
{
    return m_manager ? keptByManager(m_manager->thirdContactsConfig(name)) : nullptr;
}

QObject* SettingsAdaptor::thirdCalendarConfig(const QString& name) const
{
    return m_manager ? keptByManager(m_manager->thirdCalendarConfig(name)) : nullptr;
}
