// Saves that must lose nothing: killed at any moment, or interleaved with
// another process's saves. (A disk that is full or fills during the write, a
// file size limit, a read-only file system and what stands at the lock's path
// are tested through cvconf, which saves through the same store, in
// tests/tools/cvconf_writes.sh and cvconf_cli.sh.)
//
// Every key of a group is written from one number, the stamp, so a group read
// back either carries one stamp in all its keys or has been damaged (-1).
// Groups: 0 "Normal", 1 "Login" (three accounts), 2 "JoinMeeting", 3 "Onion",
// 4 "Process". The child, `<test> --save-loop <file> <groups> <first> <count>
// [<pause>]`, saves the listed groups with stamps first, first + 1, ... for
// `count` rounds (-1: until killed), pausing up to `pause` ms between rounds,
// and prints "<group> <stamp>" after each save. Before every round it reloads
// the file and reports any group that went back or was damaged ("lost"); it
// ends with "done <rounds> <lost> <changes seen>".

#include "TestEnvironment.h"

#include "ConfigMgr_p.h"
#include "SettingsStore_p.h"

#include <QDir>
#include <QProcess>
#include <QScopeGuard>
#include <QSettings>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#define STDOUT_FILENO 1
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// The groups, each with its class and the manager's save.
const struct {
    const QMetaObject* meta;
    void (ConfigMgr::*save)();
} kGroupTable[] = {
    { &NormalSetting::staticMetaObject, &ConfigMgr::saveNormalSetting },
    { &LoginSetting::staticMetaObject, &ConfigMgr::saveLoginSetting },
    { &JoinMeetingSetting::staticMetaObject, &ConfigMgr::saveJoinMeetingSetting },
    { &OnionSetting::staticMetaObject, &ConfigMgr::saveOnionSetting },
    { &ProcessSetting::staticMetaObject, &ConfigMgr::saveProcessSetting },
};
constexpr int kGroups = 5;

const QStringList kAccounts { "ann@example.invalid", "bob@example.invalid", "\u00e7a@example.invalid" };

// The value of the i-th property under a stamp: a bit of it, an offset of it,
// or a text that begins with it and carries quotes, a comma, brackets and a
// non-ASCII letter for the INI format to escape.
QVariant stamped(const QMetaProperty& p, int i, int stamp)
{
    if (p.userType() == QMetaType::Bool)
        return (stamp >> i & 1) != 0;
    if (p.userType() == QMetaType::QString)
        return QStringLiteral("%1 \"%2\", [\u00f8]").arg(stamp).arg(i);
    return stamp + i;
}

QString password(int stamp, const QString& account) { return QStringLiteral("pw\u00e9%1-").arg(stamp) + account; }

// The saved properties of a group with the index each one's value derives from.
template <class F> void forStored(const QObject* group, F f)
{
    const QMetaObject* mo = group->metaObject();
    for (const cvtest::ClassSpec& c : cvtest::classTable())
        for (int i = 0; c.name == mo->className() && i < c.props.size(); ++i)
            if (!c.props[i].key.isEmpty())
                f(mo->property(mo->propertyOffset() + i), i);
}

// Where the manager keeps the settings file in the test's home.
QString settingsFile() { return PathHelper::defaultPathName(QLatin1String(cvsettings::store::kSettingsFileName)); }

// Sets every key of the held group from `stamp`; the login group also holds
// the accounts.
void setStamp(QObject* owner, int g, int stamp)
{
    QObject* group = cvtest::childOf(owner, kGroupTable[g].meta->className());
    forStored(group, [&](const QMetaProperty& p, int i) { p.write(group, stamped(p, i, stamp)); });
    if (auto* login = qobject_cast<LoginSetting*>(group)) {
        QMap<QString, LoginSettingUser> users;
        for (const QString& account : kAccounts) {
            LoginSettingUser u;
            u.setEmail(account);
            u.setPassword(password(stamp, account));
            users.insert(u.email(), u);
        }
        login->setUsers(users);
    }
}

void save(ConfigMgr& m, int g, int stamp)
{
    setStamp(&m, g, stamp);
    std::invoke(kGroupTable[g].save, m);
}

// Starts this executable as a save-loop child on `file`.
void startSaveLoop(QProcess& child, const QString& file, const QStringList& args)
{
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), QStringList { "--save-loop", file } + args);
}

// Every group at stamp 0, so that no child ever reads a class default.
QString saveAllAtZero()
{
    ConfigMgr* m = ConfigMgr::createInstance();
    for (int g = 0; g < kGroups; ++g)
        save(*m, g, 0);
    ConfigMgr::destroyInstance();
    return settingsFile();
}

// The stamp that the loaded group carries, or -1 when its keys disagree or an
// account is missing.
int read(const ConfigMgrPrivate& d, int g)
{
    const QObject* group = cvtest::childOf(d.owner, kGroupTable[g].meta->className());
    int stamp = -1;
    forStored(group, [&](const QMetaProperty& p, int i) {
        if (stamp < 0 && p.userType() != QMetaType::Bool)
            stamp = p.userType() == QMetaType::QString ? p.read(group).toString().section(' ', 0, 0).toInt()
                                                       : p.read(group).toInt() - i;
    });
    bool whole = true;
    // As text: Qt 6 finds no enumeration equal to the int it holds.
    forStored(group, [&](const QMetaProperty& p, int i) {
        whole = whole && cvtest::describe(p.read(group)) == cvtest::describe(stamped(p, i, stamp));
    });
    if (const auto* login = qobject_cast<const LoginSetting*>(group)) {
        whole = whole && login->users().size() == kAccounts.size();
        for (const QString& account : kAccounts)
            whole = whole && login->user(account).password() == password(stamp, account);
    }
    return whole ? stamp : -1;
}

// Loads `file` on a fresh record and reads every group's stamp.
// QSettings keeps what it parsed per path and trusts it while the file's size
// and time look unchanged, which another process's save can leave as they
// were; reading a copy under a path never used before always parses the file
// as it is on disk.
std::vector<int> loadStamps(const QString& file = settingsFile())
{
    static int copies = 0;
    const QString copy = file + QStringLiteral(".read-%1-%2").arg(QCoreApplication::applicationPid()).arg(++copies);
    // A killed child whose process id this one has (Wine hands them out
    // again at once) may have left a copy under this name, which QFile::copy
    // would not replace.
    QFile::remove(copy);
    QFile::copy(file, copy);
    ConfigMgrPrivate d(nullptr, { QString(), copy });
    cvsettings::loadAll(d);
    QFile::remove(copy);
    std::vector<int> stamps;
    for (int g = 0; g < kGroups; ++g)
        stamps.push_back(read(d, g));
    return stamps;
}

void say(const QByteArray& line)
{
    const QByteArray text = line + '\n';
    // Unbuffered, so that a line written before a kill is never lost.
    if (::write(STDOUT_FILENO, text.constData(), size_t(text.size())) != text.size())
        std::perror("write");
}

// The child side; returns the exit code.
int saveLoop(int argc, char** argv)
{
    if (argc < 6)
        return 2;
    QCoreApplication app(argc, argv);
    // The same home as the parent (inherited environment) and the same mode.
    QStandardPaths::setTestModeEnabled(true);
    cvtest::registerTypes();
    std::vector<int> groups;
    for (const QString& g : QString::fromLocal8Bit(argv[3]).split(QLatin1Char(',')))
        groups.push_back(g.toInt());
    const int first = std::atoi(argv[4]);
    std::srand(unsigned(getpid()));
    const int count = std::atoi(argv[5]);
    const int pauseMs = argc > 6 ? std::atoi(argv[6]) : 0;

#ifdef Q_OS_WIN
    _setmode(STDOUT_FILENO, _O_BINARY); // lines end in "\n" alone, as the parent reads them
#endif
    ConfigMgr::createInstance();
    say("ready");
    std::vector<int> seen(kGroups, -1); // the highest stamp seen or saved
    int lost = 0, changes = 0, round = 0;
    for (; count < 0 || round < count; ++round) {
        const std::vector<int> now = loadStamps();
        for (size_t g = 0; g < seen.size(); ++g) {
            if (now[g] < seen[g])
                say("lost " + QByteArray::number(int(g)) + ' ' + QByteArray::number(now[g]) + " < "
                    + QByteArray::number(seen[g]));
            lost += now[g] < seen[g];
            changes += round > 0 && now[g] > seen[g];
            seen[g] = now[g];
        }
        for (const int g : groups) {
            save(*ConfigMgr::getInstance(), g, first + round);
            seen[size_t(g)] = first + round;
            say(QByteArray::number(g) + ' ' + QByteArray::number(first + round));
        }
        // Pauses between rounds let the other process's saves in.
        if (pauseMs > 0)
            QThread::usleep(unsigned(std::rand() % (pauseMs * 1000)));
    }
    ConfigMgr::destroyInstance();
    say("done " + QByteArray::number(round) + ' ' + QByteArray::number(lost) + ' ' + QByteArray::number(changes));
    return lost == 0 ? 0 : 1;
}

} // namespace

Q_DECLARE_METATYPE(cvsettings::store::SaveError)

class tst_SaveCrash : public QObject
{
    Q_OBJECT

private slots:
    // A settings file with UTF-8's byte order mark (as editors on Windows save
    // it) and non-ASCII text in every text key reads right, and each save of
    // a group keeps the mark, so that the file reads the same after it.
    void byteOrderMarkSurvivesSaves()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("marked.ini"));
        const auto text = [](const QByteArray& key) {
            return QStringLiteral("Zo\u00eb \u2713 \u4e2d ") + QString::fromLatin1(key);
        };
        // Every text kept in the file, with its class, property and key.
        const auto forTexts = [](const auto& f) {
            for (const cvtest::ClassSpec& c : cvtest::classTable())
                for (const cvtest::Prop& p : c.props)
                    if (!c.section.isEmpty() && p.type == "QString" && !p.key.isEmpty())
                        f(c, p);
        };
        QByteArray ini = "\xEF\xBB\xBF";
        forTexts([&](const cvtest::ClassSpec& c, const cvtest::Prop& p) {
            ini += '[' + c.section.toUtf8() + "]\n" + p.key + '=' + text(p.key).toUtf8() + '\n';
        });
        cvtest::writeFile(file, ini);
        for (int round = 0; round < 3; ++round) {
            const QString copy = file + QString::number(round); // read from disk, not QSettings' cache
            QVERIFY(QFile::copy(file, copy));
            ConfigMgrPrivate read(nullptr, { QString(), copy });
            cvsettings::loadAll(read);
            forTexts([&](const cvtest::ClassSpec& c, const cvtest::Prop& p) {
                QCOMPARE(cvtest::childOf(read.owner, c.name)->property(p.name).toString(), text(p.key));
            });
            ConfigMgrPrivate client(nullptr, { QString(), file });
            cvsettings::loadAll(client);
            QVERIFY(cvsettings::saveGroup(client, client.joinMeetingSetting));
            QVERIFY(cvtest::readFile(file).startsWith("\xEF\xBB\xBF"));
        }
    }

    // A save refused before it starts says why and leaves what stands at the
    // path as it was. (A device at the lock and a file size limit are cases
    // of cvconf's tests, which show the cause as its message.)
    void eachRefusalNamesItsCause_data()
    {
        using cvsettings::store::SaveError;
        QTest::addColumn<QString>("kind");
        QTest::addColumn<SaveError>("error");
        QTest::newRow("a folder") << "folder" << SaveError::NotRegularFile;
        QTest::newRow("a folder at the lock") << "lock folder" << SaveError::LockBlocked;
        QTest::newRow("a file for a folder") << "no folder" << SaveError::NoFolder;
#ifdef Q_OS_WIN
        QTest::newRow("a read-only file") << "read-only" << SaveError::NotWritable;
#else
        QTest::newRow("a pipe") << "fifo" << SaveError::NotRegularFile;
#endif
    }
    void eachRefusalNamesItsCause()
    {
        QFETCH(QString, kind);
        QFETCH(cvsettings::store::SaveError, error);
        QTemporaryDir dir;
        QString file = dir.filePath(QStringLiteral("s.ini"));
        const QByteArray old = "[Normal]\nAutoRun=true\n";
        cvtest::writeFile(file, old);
        if (kind == QLatin1String("folder"))
            QVERIFY(QFile::remove(file) && QDir().mkdir(file));
        if (kind == QLatin1String("lock folder"))
            QVERIFY(QDir().mkdir(file + QLatin1String(".lock")));
        if (kind == QLatin1String("no folder"))
            file += QLatin1String("/inner.ini");
        if (kind == QLatin1String("read-only"))
            QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadUser));
#ifndef Q_OS_WIN
        if (kind == QLatin1String("fifo"))
            QVERIFY(QFile::remove(file) && ::mkfifo(QFile::encodeName(file).constData(), 0600) == 0);
#endif
        const auto change = [](QSettings& ini) { ini.setValue(QStringLiteral("Normal/Text"), QString(4000, 'x')); };
        QCOMPARE(cvsettings::store::save(file, change).error, error);
        if (QFileInfo(file).isFile())
            QCOMPARE(cvtest::readFile(file), old);
    }

    // A child process saves every group in a loop and is killed with SIGKILL at
    // random moments; after each kill the settings file must parse, every
    // group must hold either the last value the child reported as saved or the
    // one it was saving, and the next load removes the draft the killed save
    // left.
    void killedSavesKeepOldOrNewValues()
    {
        const QString file = saveAllAtZero();
        std::vector<int> held(kGroups, 0);

        const int kTrials = 200;
        std::mt19937 rng(20240611);
        int saves = 0;
        for (int trial = 1; trial <= kTrials; ++trial) {
            const int first = trial * 100000;
            QProcess child;
            startSaveLoop(child, file, { "0,1,2,3,4", QString::number(first), "-1" });
            // Let a random number of saves complete (none, some, several rounds),
            // then kill at a random moment of the next ones. Counting reported saves
            // instead of waiting a fixed time keeps the kills among the saves on a
            // slow machine or under a sanitizer too.
            const int savesBeforeKill = std::uniform_int_distribution<int>(0, 12)(rng);
            QByteArray out;
            while (out.count('\n') < 1 + savesBeforeKill) {
                if (!child.waitForReadyRead(20000)) {
                    // What stands beside the file, for the log.
                    for (const QFileInfo& f : QFileInfo(file).dir().entryInfoList(QDir::Files | QDir::Hidden))
                        qWarning("%s: %lld bytes: %s", qPrintable(f.fileName()), f.size(),
                            cvtest::readFile(f.filePath()).left(60).toPercentEncoding().constData());
                    QFAIL("child stopped reporting");
                }
                out += child.readAllStandardOutput();
            }
            QThread::usleep(std::uniform_int_distribution<unsigned>(0, 8000)(rng));
            child.kill();
            QVERIFY(child.waitForFinished(20000));

            std::vector<int> reported(kGroups, -1);
            out += child.readAllStandardOutput();
            const QList<QByteArray> lines = out.split('\n');
            QCOMPARE(lines.value(0), QByteArray("ready"));
            for (const QByteArray& line : lines.mid(1)) {
                const QList<QByteArray> f = line.split(' ');
                if (f.size() == 2) {
                    reported[size_t(f[0].toInt())] = f[1].toInt();
                    ++saves;
                } else {
                    QVERIFY2(line.isEmpty(), line.constData()); // a child that saw a group torn
                }
            }

            QSettings raw(file, QSettings::IniFormat);
            QCOMPARE(raw.status(), QSettings::NoError);
            const std::vector<int> now = loadStamps();
            for (size_t g = 0; g < now.size(); ++g) {
                const int done = reported[g] >= 0 ? reported[g] : held[g];
                const int next = reported[g] >= 0 ? done + 1 : first;
                QVERIFY2(now[g] == done || now[g] == next,
                    qPrintable(
                        QString::asprintf("trial %d group %zu: %d, expected %d or %d", trial, g, now[g], done, next)));
                held[g] = now[g];
            }
            ConfigMgr::createInstance()->loadConfig();
            ConfigMgr::destroyInstance();
            const QStringList drafts = QFileInfo(file).dir().entryList(
                { QFileInfo(file).fileName() + QStringLiteral(".save-*") }, QDir::Files | QDir::Hidden);
            QVERIFY2(drafts.isEmpty(), qPrintable(drafts.join(' '))); // the load removed the killed save's draft
        }
        // The kills must have landed among the saves, not all before them.
        QVERIFY(saves > kTrials);
    }

    // Two processes save different groups of the same settings file at the
    // same time. Each save holds QSettings' lock on the file and merges into
    // the file as it is on disk, so neither process may undo the other's
    // saves: each child reloads the file before every round and fails on any
    // group that went back or is damaged, and at the end every group holds
    // its writer's last values, all accounts are there and the group that
    // nobody wrote is untouched.
    void interleavedSavesLoseNothing()
    {
        const QString file = saveAllAtZero();

        const int kRounds = 250; // two groups a round: 500 saves per process
        // One child owns Normal and Login, the other JoinMeeting and Process;
        // Onion is written by neither.
        QProcess children[2];
        for (int i = 0; i < 2; ++i)
            startSaveLoop(children[i], file, { i ? "2,4" : "0,1", "1", QString::number(kRounds), "40" });
        int changesSeen[2] = { 0, 0 };
        for (int i = 0; i < 2; ++i) {
            QVERIFY(children[i].waitForFinished(240000));
            const QByteArray out = children[i].readAllStandardOutput().trimmed();
            // "done <rounds> <lost> <changes seen>"; a lost group ends the child with 1.
            const QList<QByteArray> done = out.mid(out.lastIndexOf('\n') + 1).split(' ');
            QVERIFY2(children[i].exitCode() == 0 && done.value(0) == "done", out.right(400).constData());
            QCOMPARE(done.value(1).toInt(), kRounds);
            changesSeen[i] = done.value(3).toInt();
        }
        // Each child must have seen the other's groups move while it was saving,
        // or the two runs did not overlap and proved nothing.
        QVERIFY2(changesSeen[0] > 0 && changesSeen[1] > 0, "the two save loops did not interleave");

        const std::vector<int> stamps = loadStamps();
        for (int g = 0; g < kGroups; ++g)
            QCOMPARE(stamps[size_t(g)], g == 3 ? 0 : kRounds);
    }
};

static CV_SETTINGS_TEST_MAIN_AS(cvMain, tst_SaveCrash) int main(int argc, char* argv[])
{
    if (argc > 1 && std::strcmp(argv[1], "--save-loop") == 0)
        return saveLoop(argc, argv);
    return cvMain(argc, argv);
}
#include "tst_savecrash.moc"
