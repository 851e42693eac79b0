#pragma once

// Saves that can be told apart after the fact, for the tests that interrupt
// or interleave saves from several processes. Every key of a group is written
// from one number, the stamp, so a group read back either carries one stamp in
// all its keys or has been damaged (-1). Groups: 0 "Normal", 1 "Login" (three
// accounts), 2 "JoinMeeting", 3 "Onion", 4 "Process".
//
// The child: `<test> --save-loop <file> <groups> <first> <count> [<pause>]`
// saves the listed groups with stamps first, first + 1, ... for `count` rounds
// (-1: until killed), pausing up to `pause` ms between rounds, and prints
// "<group> <stamp>" after each save. Before every round it reloads the file
// and reports any group that went back ("lost"); it ends with
// "done <rounds> <lost> <changes seen>".

#include "ConfigMgr.h" // every settings class
#include "ConfigMgr_p.h"
#include "PathHelper.h"

#include <QCoreApplication>
#include <QFile>
#include <QMetaProperty>
#include <QStandardPaths>
#include <QStringList>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <vector>

#include <unistd.h>

namespace savestamps {

// The groups, each with its class, its save and where a record holds it; a
// property named in `memoryOnly` has no key in the file.
struct Group {
    const QMetaObject* mo;
    void (ConfigMgr::*save)();
    QObject* (*in)(const ConfigMgrPrivate& d);
    const char* memoryOnly;
};
const Group kGroupTable[] = {
    { &NormalSetting::staticMetaObject, &ConfigMgr::saveNormalSetting,
        [](const ConfigMgrPrivate& d) -> QObject* { return d.normalSetting; }, "" },
    { &LoginSetting::staticMetaObject, &ConfigMgr::saveLoginSetting,
        [](const ConfigMgrPrivate& d) -> QObject* { return d.loginSetting; }, "" },
    { &JoinMeetingSetting::staticMetaObject, &ConfigMgr::saveJoinMeetingSetting,
        [](const ConfigMgrPrivate& d) -> QObject* { return d.joinMeetingSetting; }, "email" },
    { &OnionSetting::staticMetaObject, &ConfigMgr::saveOnionSetting,
        [](const ConfigMgrPrivate& d) -> QObject* { return d.onionSetting; }, "" },
    { &ProcessSetting::staticMetaObject, &ConfigMgr::saveProcessSetting,
        [](const ConfigMgrPrivate& d) -> QObject* { return d.processSetting; }, "" },
};
constexpr int kGroups = 5;
const char* const kAccounts[] = { "ann@example.invalid", "bob@example.invalid", "\u00e7a@example.invalid" };

// The value of the i-th property under a stamp: a bit of it, an offset of it,
// or a text that begins with it and carries quotes, a comma, brackets and a
// non-ASCII letter for the INI format to escape.
inline QVariant stamped(const QMetaProperty& p, int i, int stamp)
{
    if (p.userType() == QMetaType::Bool)
        return (stamp >> i & 1) != 0;
    if (p.userType() == QMetaType::QString)
        return QStringLiteral("%1 \"%2\", [\u00f8]").arg(stamp).arg(i);
    return stamp + i;
}

inline QString password(int stamp, const char* account)
{
    return QStringLiteral("pw\u00e9%1-").arg(stamp) + QString::fromUtf8(account);
}

// The stored properties of a group with the index each one's value derives from.
template <class F> void forStored(const QObject* group, int g, F f)
{
    static const bool enumsAsInts = qRegisterMetaType<int>("Corvane::ClientLanguage") != 0;
    Q_UNUSED(enumsAsInts)
    const QMetaObject* mo = group->metaObject();
    for (int i = 0; i < mo->propertyCount() - mo->propertyOffset(); ++i) {
        const QMetaProperty p = mo->property(mo->propertyOffset() + i);
        if (qstrcmp(p.name(), kGroupTable[g].memoryOnly) != 0 && qstrcmp(p.name(), "users") != 0)
            f(p, i);
    }
}

// Where the manager keeps the settings file in the test's home.
inline QString settingsFile()
{
    return PathHelper::defaultPathName(QLatin1String(cvsettings::store::kSettingsFileName));
}

// Sets every key of the held group from `stamp` and saves it; the login group
// also holds three accounts.
inline void save(ConfigMgr& m, int g, int stamp)
{
    QObject* group = nullptr;
    for (QObject* child : m.children()) // the manager's own come first
        if (!group && child->metaObject() == kGroupTable[g].mo)
            group = child;
    forStored(group, g, [&](const QMetaProperty& p, int i) { p.write(group, stamped(p, i, stamp)); });
    if (auto* login = qobject_cast<LoginSetting*>(group)) {
        QMap<QString, LoginSettingUser> users;
        for (const char* account : kAccounts) {
            LoginSettingUser u;
            u.setEmail(QString::fromUtf8(account));
            u.setPassword(password(stamp, account));
            users.insert(u.email(), u);
        }
        login->setUsers(users);
    }
    std::invoke(kGroupTable[g].save, m);
}

// The stamp that the loaded group carries, or -1 when its keys disagree or an
// account is missing.
inline int read(const ConfigMgrPrivate& d, int g)
{
    const QObject* group = kGroupTable[g].in(d);
    int stamp = -1;
    forStored(group, g, [&](const QMetaProperty& p, int i) {
        if (stamp < 0 && p.userType() != QMetaType::Bool)
            stamp = p.userType() == QMetaType::QString ? p.read(group).toString().section(' ', 0, 0).toInt()
                                                       : p.read(group).toInt() - i;
    });
    bool whole = true;
    forStored(group, g, [&](const QMetaProperty& p, int i) { whole = whole && p.read(group) == stamped(p, i, stamp); });
    if (const auto* login = qobject_cast<const LoginSetting*>(group)) {
        whole = whole && login->users().size() == 3;
        for (const char* account : kAccounts)
            whole = whole && login->user(QString::fromUtf8(account)).password() == password(stamp, account);
    }
    return whole ? stamp : -1;
}

// Loads the settings file on a fresh manager and reads every group's stamp.
// QSettings keeps what it parsed per path and trusts it while the file's size
// and time look unchanged, which another process's save can leave as they
// were; reading a copy under a path never used before always parses the file
// as it is on disk.
inline std::vector<int> loadStamps()
{
    static int copies = 0;
    ConfigMgr::destroyInstance();
    ConfigMgrPrivate d(ConfigMgr::createInstance());
    const QString copy
        = d.settingsFilePath + QStringLiteral(".read-%1-%2").arg(QCoreApplication::applicationPid()).arg(++copies);
    QFile::copy(d.settingsFilePath, copy);
    d.settingsFilePath = copy;
    cvsettings::loadAll(d);
    QFile::remove(copy);
    std::vector<int> stamps;
    for (int g = 0; g < kGroups; ++g)
        stamps.push_back(read(d, g));
    return stamps;
}

inline void say(const QByteArray& line)
{
    const QByteArray text = line + '\n';
    // Unbuffered, so that a line written before a kill is never lost.
    if (::write(STDOUT_FILENO, text.constData(), size_t(text.size())) != text.size())
        std::perror("write");
}

// The child side; returns the exit code.
inline int saveLoop(int argc, char** argv)
{
    if (argc < 6)
        return 2;
    QCoreApplication app(argc, argv);
    // The same home as the parent (inherited environment) and the same mode.
    QStandardPaths::setTestModeEnabled(true);
    std::vector<int> groups;
    for (const QString& g : QString::fromLocal8Bit(argv[3]).split(QLatin1Char(',')))
        groups.push_back(g.toInt());
    const int first = std::atoi(argv[4]);
    std::srand(unsigned(getpid()));
    const int count = std::atoi(argv[5]);
    const int pauseMs = argc > 6 ? std::atoi(argv[6]) : 0;

    ConfigMgr::createInstance();
    say("ready");
    std::map<int, int> seen; // group -> highest stamp seen or saved
    int lost = 0;
    int changes = 0;
    int round = 0;
    for (; count < 0 || round < count; ++round) {
        const std::vector<int> now = loadStamps();
        for (int g = 0; g < kGroups; ++g) {
            const auto it = seen.find(g);
            if (it != seen.end() && now[size_t(g)] < it->second) {
                say("lost " + QByteArray::number(g) + ' ' + QByteArray::number(now[size_t(g)]) + " < "
                    + QByteArray::number(it->second));
                ++lost;
            }
            if (it != seen.end() && now[size_t(g)] > it->second)
                ++changes;
            seen[g] = now[size_t(g)];
        }
        for (const int g : groups) {
            save(*ConfigMgr::getInstance(), g, first + round);
            seen[g] = first + round;
            say(QByteArray::number(g) + ' ' + QByteArray::number(first + round));
        }
        // A save that finds the lock taken waits 100 ms or more before it tries
        // again; pauses between rounds let the other process's saves in.
        if (pauseMs > 0)
            QThread::usleep(unsigned(std::rand() % (pauseMs * 1000)));
    }
    ConfigMgr::destroyInstance();
    say("done " + QByteArray::number(round) + ' ' + QByteArray::number(lost) + ' ' + QByteArray::number(changes));
    return lost == 0 ? 0 : 1;
}

} // namespace savestamps

// main() of a test that can also be its own save-loop child.
#define CV_SAVE_STAMPS_TEST_MAIN(TestObject)                                             \
    static CV_SETTINGS_TEST_MAIN_AS(cvMain, TestObject) int main(int argc, char* argv[]) \
    {                                                                                    \
        if (argc > 1 && std::strcmp(argv[1], "--save-loop") == 0)                        \
            return savestamps::saveLoop(argc, argv);                                     \
        return cvMain(argc, argv);                                                       \
    }
