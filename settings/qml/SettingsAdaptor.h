#pragma once

#include "SettingsGroups_p.h"

#include <QObject>
#include <QPointer>
#include <QVariantList>
#include <QVariantMap>

class ConfigMgr;

// The QML singleton `Settings`: the process's one ConfigMgr as QML sees it.
//
// Each held group is a constant property named after the manager's accessor,
// pointing at the held object itself, so bindings follow its change signals
// and assignments from QML go through its setters. The user groups also get
// the manager's set, write and save operations under their own names; set and
// write take an object of the group's class (the held one, or a draft made by
// copy()) and answer false for anything else. The product groups have no such
// operations: nothing a screen changes in them is ever stored.
//
// The camera profiles and the saved accounts are containers of settings
// objects, which QML cannot hold; they come as `videos` (a list) and `users`
// (a map by e-mail) of plain property maps. A screen assigns an edited list or
// map back to videoSetting.videos or loginSetting.users (names a map leaves
// out keep their defaults), or changes one account with replaceIntoUser and
// removeUser.
class SettingsAdaptor : public QObject
{
    Q_OBJECT
#define CV_ADAPTOR_GROUP(Class, member, ...) Q_PROPERTY(QObject* member READ member CONSTANT)
    CV_SETTINGS_GROUPS(CV_ADAPTOR_GROUP, CV_ADAPTOR_GROUP)
#undef CV_ADAPTOR_GROUP
    Q_PROPERTY(QString google READ google CONSTANT)
    Q_PROPERTY(QString facebook READ facebook CONSTANT)
    Q_PROPERTY(QString outlook READ outlook CONSTANT)
    Q_PROPERTY(bool supportIcsFile READ supportIcsFile WRITE setSupportIcsFile NOTIFY supportIcsFileChanged)
    Q_PROPERTY(QVariantList videos READ videos NOTIFY videosChanged)
    Q_PROPERTY(QVariantMap users READ users NOTIFY usersChanged)

public:
    explicit SettingsAdaptor(ConfigMgr* manager, QObject* parent = nullptr);

#define CV_ADAPTOR_GROUP(Class, member, ...) QObject* member() const;
    CV_SETTINGS_GROUPS(CV_ADAPTOR_GROUP, CV_ADAPTOR_GROUP)
#undef CV_ADAPTOR_GROUP

    QString google() const;
    QString facebook() const;
    QString outlook() const;
    bool supportIcsFile() const;
    void setSupportIcsFile(bool icsSupport);

    QVariantList videos() const;
    QVariantMap users() const;

    // Re-reads every file, as at start; unsaved changes to stored groups are lost.
    Q_INVOKABLE void loadConfig();

    // A parentless copy of any settings object, owned by the QML engine: a
    // draft to edit and hand back through a set or write operation.
    Q_INVOKABLE QObject* copy(QObject* setting) const;

#define CV_ADAPTOR_PRODUCT(...)
#define CV_ADAPTOR_USER(Class, member, Operation, ...)   \
    Q_INVOKABLE bool set##Operation(QObject* setting);   \
    Q_INVOKABLE bool write##Operation(QObject* setting); \
    Q_INVOKABLE void save##Operation();
    CV_SETTINGS_GROUPS(CV_ADAPTOR_PRODUCT, CV_ADAPTOR_USER)
#undef CV_ADAPTOR_USER
#undef CV_ADAPTOR_PRODUCT

    // Files the account under its "email" entry (none: ignored), or removes
    // one; saveLoginSetting() stores the accounts.
    Q_INVOKABLE void replaceIntoUser(const QVariantMap& user);
    Q_INVOKABLE void removeUser(const QString& email);

    // The providers by name ("Google", "Facebook", "Outlook"): the sign-in
    // one as a copy owned by the QML engine (the manager gives it by value),
    // the contacts and calendar ones as the held objects; null if unknown.
    Q_INVOKABLE QObject* thirdLoginConfig(const QString& name) const;
    Q_INVOKABLE QObject* thirdContactsConfig(const QString& name) const;
    Q_INVOKABLE QObject* thirdCalendarConfig(const QString& name) const;

signals:
    void supportIcsFileChanged(bool icsSupport);
    void videosChanged();
    void usersChanged();

private:
    // The manager is the application's; it may go before the QML engine does.
    QPointer<ConfigMgr> m_manager;
};
