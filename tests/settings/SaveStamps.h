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
#include "JoinMeetingSetting.h"
#include "LoginSetting.h"
#include "LoginSettingUser.h"
#include "NormalSetting.h"
#include "OnionSetting.h"
#include "PathHelper.h"
#include "ProcessSetting.h"

#include <QCoreApplication>
#include <QFile>
#include <QStandardPaths>
#include <QStringList>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

#include <unistd.h>

namespace savestamps {

constexpr int kGroups = 5;
const char* const kAccounts[] = { "ann@example.invalid", "bob@example.invalid", "\u00e7a@example.invalid" };

const char* const kJoinProperties[] = { "meetingNum", "nickname", "webinarNum", "webinarFirstName", "webinarLastName",
    "webinarEmail", "webinarCheckCode" };

inline QString password(int stamp, const char* account)
{
    return QStringLiteral("pw\u00e9%1-").arg(stamp) + QString::fromUtf8(account);
}

// The seven "JoinMeeting" texts of a stamp, with quotes, commas, brackets and
// non-ASCII letters that the INI format has to escape.
inline QStringList joinTexts(int stamp)
{
    const QString s = QString::number(stamp);
    return { s, QStringLiteral("nick, \"%1\"").arg(s), s + s, QStringLiteral("first %1").arg(s),
        QStringLiteral("last\u00f8%1").arg(s), QStringLiteral("w%1@example.invalid").arg(s),
        QStringLiteral("[%1]").arg(s) };
}

// Where the manager keeps the settings file in the test's home.
inline QString settingsFile()
{
    return PathHelper::defaultPathName(QLatin1String(cvsettings::store::kSettingsFileName));
}

// Sets the held group to `stamp` and saves it.
inline void save(ConfigMgr& m, int group, int stamp)
{
    switch (group) {
    case 0: {
        NormalSetting n(m.normalSetting());
        n.setLanguage(static_cast<Corvane::ClientLanguage>(stamp));
        n.setAutoRun(stamp % 2 != 0);
        n.setAutoLogin(stamp / 2 % 2 != 0);
        m.writeNormalSetting(n);
        break;
    }
    case 1: {
        LoginSetting l(m.loginSetting());
        l.setLastLoginUser(QStringLiteral("last%1").arg(stamp));
        l.setAutoLoginUser(QStringLiteral("auto%1").arg(stamp));
        QMap<QString, LoginSettingUser> users;
        for (const char* account : kAccounts) {
            LoginSettingUser u;
            u.setEmail(QString::fromUtf8(account));
            u.setPassword(password(stamp, account));
            users.insert(u.email(), u);
        }
        l.setUsers(users);
        m.writeLoginSetting(l);
        break;
    }
    case 2: {
        JoinMeetingSetting j(m.joinMeetingSetting());
        const QStringList t = joinTexts(stamp);
        for (int i = 0; i < t.size(); ++i)
            j.setProperty(kJoinProperties[i], t[i]);
        m.writeJoinMeetingSetting(j);
        break;
    }
    case 3: {
        OnionSetting o(m.onionSetting());
        o.setCapVolume(stamp);
        o.setPlayVolume(stamp ^ 0x5a5a);
        m.writeOnionSetting(o);
        break;
    }
    default: {
        ProcessSetting p(m.processSetting());
        p.setPort(stamp);
        m.writeProcessSetting(p);
        break;
    }
    }
}

// The stamp that the loaded group carries, or -1 when its keys disagree or an
// account is missing.
inline int read(const ConfigMgrPrivate& d, int group)
{
    switch (group) {
    case 0: {
        const NormalSetting& n = *d.normalSetting;
        const int s = static_cast<int>(n.language());
        return n.autoRun() == (s % 2 != 0) && n.autoLogin() == (s / 2 % 2 != 0) ? s : -1;
    }
    case 1: {
        const LoginSetting& l = *d.loginSetting;
        const int s = l.lastLoginUser().mid(4).toInt();
        bool whole = l.lastLoginUser() == QStringLiteral("last%1").arg(s)
            && l.autoLoginUser() == QStringLiteral("auto%1").arg(s) && l.users().size() == 3;
        for (const char* account : kAccounts)
            whole = whole && l.user(QString::fromUtf8(account)).password() == password(s, account);
        return whole ? s : -1;
    }
    case 2: {
        QStringList got;
        for (const char* property : kJoinProperties)
            got << d.joinMeetingSetting->property(property).toString();
        return got == joinTexts(got[0].toInt()) ? got[0].toInt() : -1;
    }
    case 3: {
        const OnionSetting& o = *d.onionSetting;
        return o.playVolume() == (o.capVolume() ^ 0x5a5a) ? o.capVolume() : -1;
    }
    default:
        return d.processSetting->port();
    }
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
