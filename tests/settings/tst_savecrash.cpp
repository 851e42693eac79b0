// Saves that must lose nothing: killed at any moment, on a disk that is full
// or fills during the write, past a file size limit, on a read-only file
// system, interleaved with another process's saves, or facing a lock path
// that holds no lock file.
//
// Every key of a group is written from one number, the stamp, so a group read
// back either carries one stamp in all its keys or has been damaged (-1).
// Groups: 0 "Normal", 1 "Login" (three accounts), 2 "JoinMeeting", 3 "Onion",
// 4 "Process". The child, `<test> --save-loop <file> <groups> <first> <count>
// [<pause>]`, saves the listed groups with stamps first, first + 1, ... for
// `count` rounds (-1: until killed), pausing up to `pause` ms between rounds,
// and prints "<group> <stamp>" after each save. Before every round it reloads
// the file and reports any group that went back ("lost") or was damaged
// ("torn"); it ends with "done <rounds> <lost> <changes seen> <torn>".

#include "TestEnvironment.h"

#include "ConfigMgr_p.h"
#include "SettingsStore_p.h"

#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include <csignal>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

// The groups, each with its class and its save.
const std::pair<const QMetaObject*, void (ConfigMgr::*)()> kGroupTable[] = {
    { &NormalSetting::staticMetaObject, &ConfigMgr::saveNormalSetting },
    { &LoginSetting::staticMetaObject, &ConfigMgr::saveLoginSetting },
    { &JoinMeetingSetting::staticMetaObject, &ConfigMgr::saveJoinMeetingSetting },
    { &OnionSetting::staticMetaObject, &ConfigMgr::saveOnionSetting },
    { &ProcessSetting::staticMetaObject, &ConfigMgr::saveProcessSetting },
};
constexpr int kGroups = 5;
const char* const kAccounts[] = { "ann@example.invalid", "bob@example.invalid", "\u00e7a@example.invalid" };

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

QString password(int stamp, const char* account)
{
    return QStringLiteral("pw\u00e9%1-").arg(stamp) + QString::fromUtf8(account);
}

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

// Sets every key of the held group from `stamp` and saves it; the login group
// also holds three accounts.
void save(ConfigMgr& m, int g, int stamp)
{
    QObject* group = cvtest::childOf(&m, kGroupTable[g].first->className());
    forStored(group, [&](const QMetaProperty& p, int i) { p.write(group, stamped(p, i, stamp)); });
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
    std::invoke(kGroupTable[g].second, m);
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
    const QObject* group = cvtest::childOf(d.owner, kGroupTable[g].first->className());
    int stamp = -1;
    forStored(group, [&](const QMetaProperty& p, int i) {
        if (stamp < 0 && p.userType() != QMetaType::Bool)
            stamp = p.userType() == QMetaType::QString ? p.read(group).toString().section(' ', 0, 0).toInt()
                                                       : p.read(group).toInt() - i;
    });
    bool whole = true;
    forStored(group, [&](const QMetaProperty& p, int i) { whole = whole && p.read(group) == stamped(p, i, stamp); });
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
std::vector<int> loadStamps()
{
    static int copies = 0;
    const QString file = settingsFile();
    const QString copy = file + QStringLiteral(".read-%1-%2").arg(QCoreApplication::applicationPid()).arg(++copies);
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

    ConfigMgr::createInstance();
    say("ready");
    std::vector<int> seen(kGroups, -1); // the highest stamp seen or saved
    int lost = 0, changes = 0, torn = 0, round = 0;
    for (; count < 0 || round < count; ++round) {
        const std::vector<int> now = loadStamps();
        for (size_t g = 0; g < seen.size(); ++g) {
            if (now[g] < 0)
                say("torn " + QByteArray::number(int(g)));
            torn += now[g] < 0;
            lost += now[g] >= 0 && now[g] < seen[g];
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
    say("done " + QByteArray::number(round) + ' ' + QByteArray::number(lost) + ' ' + QByteArray::number(changes) + ' '
        + QByteArray::number(torn));
    return torn == 0 ? 0 : 1;
}

// The drafts of saves beside `file`.
QStringList draftsBeside(const QString& file)
{
    const QFileInfo info(file);
    return info.dir().entryList({ info.fileName() + QStringLiteral(".save-*") }, QDir::Files | QDir::Hidden);
}

// A record of the test's own with `accounts` saved accounts and every other
// group at stamp 1, on `file`.
void fillFile(const QString& file, int accounts)
{
    ConfigMgrPrivate d(nullptr, { QString(), file });
    for (QObject* group : d.owner->children())
        forStored(group, [&](const QMetaProperty& p, int i) { p.write(group, stamped(p, i, 1)); });
    for (int i = 0; i < accounts; ++i) {
        LoginSettingUser u;
        u.setEmail(QStringLiteral("user%1@example.invalid").arg(i, 4, 10, QLatin1Char('0')));
        u.setPassword(password(i, "\u00e9"));
        d.loginSetting->replaceIntoUser(u);
    }
    QVERIFY(cvsettings::saveGroup(d, d.loginSetting) && cvsettings::saveGroup(d, d.normalSetting)
        && cvsettings::saveGroup(d, d.joinMeetingSetting) && cvsettings::saveGroup(d, d.onionSetting)
        && cvsettings::saveGroup(d, d.processSetting));
}

// What a fresh record reads from `file`, as text: the accounts with their
// passwords and the join values.
QStringList loaded(const QString& file)
{
    static int copies = 0;
    // A new path each time: QSettings would answer from its cache for a known one.
    const QString copy = file + QStringLiteral(".look-%1").arg(++copies);
    QFile::remove(copy);
    if (!QFile::copy(file, copy))
        return { QStringLiteral("(unreadable)") };
    ConfigMgrPrivate d(nullptr, { QString(), copy });
    cvsettings::loadAll(d);
    QFile::remove(copy);
    QStringList out;
    for (const LoginSettingUser& u : d.loginSetting->users())
        out << u.email() + QLatin1Char('=') + u.password();
    out << d.joinMeetingSetting->nickname() << QString::number(d.processSetting->port());
    return out;
}

// Account `n` as loaded() shows it; its name's length varies the file's size.
QString newAccount(int n)
{
    return QStringLiteral("new%1@example.invalid=").arg(QString(n % 37, QLatin1Char('x'))) + password(n, "new");
}

// One save that adds account `n` to the file; returns what the save answered.
bool addAccount(const QString& file, int n)
{
    ConfigMgrPrivate d(nullptr, { QString(), file });
    cvsettings::loadAll(d);
    LoginSetting login(*d.loginSetting);
    LoginSettingUser u;
    u.setEmail(newAccount(n).section(QLatin1Char('='), 0, 0));
    u.setPassword(newAccount(n).section(QLatin1Char('='), 1));
    login.replaceIntoUser(u);
    return cvsettings::writeGroup(d, d.loginSetting, login);
}

// The outcome of one save that could not have all the room it needed: the
// bytes on disk are the old file's, or a whole new file that reads back with
// the new account; the save said which.
struct Outcome {
    int kept = 0, written = 0, lost = 0, misreported = 0;
    void check(const QString& file, const QByteArray& before, const QStringList& old, bool answered, int n)
    {
        const QByteArray now = cvtest::readFile(file);
        const QStringList reads = loaded(file);
        const bool same = now == before;
        bool whole = reads.size() == old.size() + 1 && reads.contains(newAccount(n));
        for (const QString& entry : old)
            whole = whole && reads.contains(entry);
        kept += same;
        written += !same && whole;
        lost += !same && !whole;
        misreported += answered != (!same && whole);
    }
};

// A tmpfs of `size` mounted on `dir` while the object lives, where the
// test may mount (as root); mounted() says whether it is.
class SmallFileSystem
{
public:
    SmallFileSystem(const QString& dir, const char* size)
        : m_dir(QFile::encodeName(dir))
    {
        m_mounted = ::geteuid() == 0 && ::mount("tmpfs", m_dir.constData(), "tmpfs", 0, size) == 0;
    }
    ~SmallFileSystem()
    {
        if (m_mounted)
            ::umount(m_dir.constData());
    }
    bool mounted() const { return m_mounted; }
    bool makeReadOnly() { return ::mount(nullptr, m_dir.constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0; }
    qint64 room() const
    {
        struct statvfs fs {
        };
        return ::statvfs(m_dir.constData(), &fs) == 0 ? qint64(fs.f_bavail) * qint64(fs.f_bsize) : -1;
    }

private:
    QByteArray m_dir;
    bool m_mounted = false;
};

// A file size limit for this process while the object lives.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        const rlimit limit { bytes, m_old.rlim_max };
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &m_old); }

private:
    rlimit m_old {};
};

} // namespace

class tst_SaveCrash : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Past the file size limit a write fails with EFBIG instead of ending
        // the process.
        std::signal(SIGXFSZ, SIG_IGN);
    }

    void hostileLockPaths_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("saves");
        for (const char* kind : { "folder", "fifo", "dangling link", "link to /dev/zero" })
            QTest::newRow(kind) << QString::fromLatin1(kind) << false;
        for (const char* kind : { "NUL bytes", "no process id", "1 MiB", "empty, 10 s old" })
            QTest::newRow(kind) << QString::fromLatin1(kind) << true;
    }

    // What stands at "<file>.lock" never makes a save wait (CTest's short
    // timeout catches one that does; QLockFile alone waits for ever, or 30 s for
    // a lock file that names no holder). Something that cannot be a lock file
    // refuses the save and leaves the file as it was; a lock file that names
    // no holder is cleared and the save goes through.
    void hostileLockPaths()
    {
        QFETCH(QString, kind);
        QFETCH(bool, saves);
        ConfigMgr* m = ConfigMgr::createInstance();
        const QString file = settingsFile();
        m->saveNormalSetting();
        const QByteArray before = cvtest::readFile(file);
        const QString lock = file + QStringLiteral(".lock");
        const QByteArray lockName = QFile::encodeName(lock);
        if (kind == "folder")
            QVERIFY(QDir().mkdir(lock));
        else if (kind == "fifo")
            QVERIFY(::mkfifo(lockName.constData(), 0600) == 0);
        else if (kind.contains("link"))
            QVERIFY(::symlink(kind.endsWith("zero") ? "/dev/zero" : "/nowhere/at/all", lockName.constData()) == 0);
        else {
            // Time stamps of now: QLockFile itself takes a lock file older than
            // 30 s as stale.
            QFile f(lock);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(kind == "NUL bytes"       ? QByteArray(300, '\0')
                    : kind == "no process id" ? QByteArray("cvsettings\nhost\n")
                    : kind == "1 MiB"         ? "1\n" + QByteArray(1 << 20, 'x')
                                              : QByteArray());
            if (kind.startsWith("empty"))
                QVERIFY(f.setFileTime(QDateTime::currentDateTime().addSecs(-10), QFileDevice::FileModificationTime));
        }
        NormalSetting changed(m->normalSetting());
        changed.setAutoRun(!changed.autoRun());
        m->writeNormalSetting(changed);
        QCOMPARE(cvtest::readFile(file) != before, saves);
        QVERIFY(draftsBeside(file).isEmpty());
        if (!saves) { // once the path is clear, saves go through again
            QVERIFY(kind == "folder" ? QDir().rmdir(lock) : QFile::remove(lock));
            m->saveNormalSetting();
            QVERIFY(cvtest::readFile(file) != before);
        }
        ConfigMgr::destroyInstance();
        QFile::remove(file);
    }

    // The check after a save counts the lines of the file on disk against the
    // lines QSettings writes for what it holds. Each kind of key and value the
    // INI format knows, root keys, a "General" section and sections that
    // differ only in letter case must come out as the count says.
    void lineCountPredictsTheFile()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("count.ini"));
        const QList<QPair<QString, QVariant>> keys = {
            { "top", "a root key" },
            { "General/x", "a section named General" },
            { "general/y", "and one named general" },
            { "Sec/multi", "line one\nline two\r\nline three" },
            { "sec/list", QStringList { "a", "b, c", "" } },
            { "sec/empty", QString() },
            { "Sec/bytes", QByteArray("\0\n\r\x01\xff=;\"", 8) },
            { "Sec/a\\b c=d;e", "key text to escape" },
            { "\u00e9t\u00e9/\u4e2d", "\u00e9\u4e2d\U0001F600" },
            { "Login/Users/1/Email", "a@b" },
            { "Login/Users/size", 1 },
            { "n/b", true },
            { "n/i", -7 },
        };
        for (int n = 0; n <= keys.size(); ++n) {
            QFile::remove(file);
            qint64 expected = 0;
            {
                QSettings ini(file, QSettings::IniFormat);
                for (int i = 0; i < n; ++i)
                    ini.setValue(keys[i].first, keys[i].second);
                expected = cvsettings::store::lineEndsToWrite(ini);
            }
            QCOMPARE(cvtest::readFile(file).count('\n'), int(expected));
        }
    }

    void fullDiskAndFileSizeLimit_data()
    {
        QTest::addColumn<int>("accounts");
        for (int accounts : { 3, 40, 500 })
            QTest::addRow("%d accounts", accounts) << accounts;
    }

    // A save that runs out of room, on a small file system whose free space is
    // swept around the size of the file, or past a file size limit swept the
    // same way, leaves either the old file byte for byte or the whole new one,
    // says which, and leaves no old version behind. On a read-only file system
    // it leaves the file and says so.
    void fullDiskAndFileSizeLimit()
    {
        QFETCH(int, accounts);
        QTemporaryDir scratch;
        const QString dir = scratch.path();
        const QString file = dir + QStringLiteral("/settings.ini");
        SmallFileSystem fs(dir, "size=4m");
        fillFile(file, accounts);
        const QByteArray first = cvtest::readFile(file);
        const QStringList old = loaded(file);
        const qint64 size = first.size();
        constexpr qint64 kPage = 4096;
        Outcome outcome;
        int n = 0;

        // Past a file size limit: the limit in 97-byte steps from two pages
        // below the file's size to two pages above it.
        for (qint64 limit = size - 2 * kPage; limit <= size + 2 * kPage; limit += 97) {
            cvtest::writeFile(file, first);
            bool answered = false;
            {
                const FileSizeLimit limited(rlim_t(qMax<qint64>(limit, 1)));
                answered = addAccount(file, ++n);
            }
            outcome.check(file, first, old, answered, n);
            QVERIFY(draftsBeside(file).isEmpty());
        }

        if (fs.mounted()) {
            // A full disk: a filler leaves from two pages below the file's size
            // to two pages above it free, in steps of a quarter page (the file
            // system counts whole pages; the account's name length varies the
            // new file's size within them).
            const QString filler = dir + QStringLiteral("/filler");
            for (qint64 free = size - 2 * kPage; free <= size + 2 * kPage; free += kPage / 4) {
                cvtest::writeFile(file, first);
                cvtest::writeFile(filler, QByteArray(int(qMax<qint64>(fs.room() - qMax<qint64>(free, 0), 0)), 'f'));
                const bool answered = addAccount(file, ++n);
                QFile::remove(filler); // room for the check's own copy
                outcome.check(file, first, old, answered, n);
                QVERIFY(draftsBeside(file).isEmpty());
            }
            // A change that adds no line, with room for one page: the save's
            // lock file takes it, QSettings cannot make its own and writes
            // nothing. The file is as it was, and the save says so although
            // all the file's lines are there.
            {
                cvtest::writeFile(file, first);
                ConfigMgrPrivate d(nullptr, { QString(), file });
                cvsettings::loadAll(d);
                NormalSetting normal(*d.normalSetting);
                normal.setAutoRun(!normal.autoRun());
                cvtest::writeFile(filler, QByteArray(int(fs.room() - kPage), 'f'));
                QVERIFY(!cvsettings::writeGroup(d, d.normalSetting, normal));
                QFile::remove(filler);
                QCOMPARE(cvtest::readFile(file), first);
            }
            QVERIFY(fs.makeReadOnly());
            QVERIFY(!addAccount(file, ++n));
            QCOMPARE(cvtest::readFile(file), first);
        } else {
            qWarning("not root or no tmpfs: the full-disk sweep did not run, only the file size limit");
        }
        qInfo("%d accounts, %lld bytes: %d saves kept the old file, %d wrote the new one, %d lost it, %d misreported",
            accounts, size, outcome.kept, outcome.written, outcome.lost, outcome.misreported);
        QCOMPARE(outcome.lost, 0);
        QCOMPARE(outcome.misreported, 0);
        // The sweep must have gone from too little room to enough.
        QVERIFY(outcome.kept > 0 && outcome.written > 0);
    }

    // A settings file with UTF-8's byte order mark, as editors on Windows save
    // it, with non-ASCII text in every text key: each save keeps the mark, so
    // every text reads the same after one save and after another.
    void byteOrderMarkSurvivesSaves()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("marked.ini"));
        QByteArray text = "\xEF\xBB\xBF";
        QMap<QString, QString> expected; // "Class.property" -> text
        for (const cvtest::ClassSpec& c : cvtest::classTable()) {
            if (c.section.isEmpty())
                continue;
            text += '[' + c.section.toUtf8() + "]\n";
            for (const cvtest::Prop& p : c.props) {
                if (p.type != "QString" || p.key.isEmpty())
                    continue;
                const QString value = QStringLiteral("Zo\u00eb \u2713 \u4e2d ") + QString::fromLatin1(p.key);
                text += p.key + '=' + value.toUtf8() + '\n';
                expected.insert(QString::fromLatin1(c.name + '.' + p.name), value);
            }
        }
        cvtest::writeFile(file, text);
        const auto texts = [&expected](const QString& path) {
            static int copies = 0;
            const QString copy = path + QStringLiteral(".read-%1").arg(++copies); // never cached
            QFile::copy(path, copy);
            ConfigMgrPrivate d(nullptr, { QString(), copy });
            cvsettings::loadAll(d);
            QMap<QString, QString> read;
            for (const QString& name : expected.keys())
                read.insert(name,
                    cvtest::childOf(d.owner, name.section('.', 0, 0).toLatin1())
                        ->property(name.section('.', 1).toLatin1().constData())
                        .toString());
            return read;
        };
        QVERIFY(expected.size() >= 10);
        QCOMPARE(texts(file), expected);
        for (int round = 0; round < 2; ++round) {
            ConfigMgrPrivate d(nullptr, { QString(), file });
            cvsettings::loadAll(d);
            QVERIFY(cvsettings::saveGroup(d, d.joinMeetingSetting) && cvsettings::saveGroup(d, d.loginSetting)
                && cvsettings::saveGroup(d, d.recordSetting));
            QVERIFY(cvtest::readFile(file).startsWith("\xEF\xBB\xBF"));
            QCOMPARE(texts(file), expected);
        }
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
            QVERIFY2(draftsBeside(file).isEmpty(), qPrintable(draftsBeside(file).join(' ')));
        }
        // The kills must have landed among the saves, not all before them.
        QVERIFY(saves > kTrials);
    }

    // Two processes save different groups of the same settings file at the
    // same time. Each save holds QSettings' lock on the file and merges into
    // the file as it is on disk, so neither process may undo the other's
    // saves or tear a group: each child reloads the file before every round
    // and reports any group that went back or is torn, and at the end every
    // group holds its writer's last values, all accounts are there and the
    // group that nobody wrote is untouched.
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
        int lost = 0;
        for (int i = 0; i < 2; ++i) {
            QVERIFY(children[i].waitForFinished(240000));
            const QByteArray out = children[i].readAllStandardOutput().trimmed();
            // "done <rounds> <lost> <changes seen> <torn>"; a torn group ends the child with 1.
            const QList<QByteArray> done = out.mid(out.lastIndexOf('\n') + 1).split(' ');
            QVERIFY2(children[i].exitCode() == 0 && done.value(0) == "done", out.right(400).constData());
            QCOMPARE(done.value(1).toInt(), kRounds);
            lost += done.value(2).toInt();
            changesSeen[i] = done.value(3).toInt();
        }
        QCOMPARE(lost, 0);
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
