// A save killed at any moment loses nothing: a child process saves every
// group in a loop and is killed with SIGKILL at random moments; after each
// kill the settings file must parse, and every group must hold either the
// last value the child reported as saved or the one it was saving. And a save
// whose lock cannot be had gives up rather than waiting for ever.

#include "TestEnvironment.h"

#include "SaveStamps.h"
#include "SettingsStore_p.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QThread>

#include <random>

#include <sys/stat.h>

class tst_SaveCrash : public QObject
{
    Q_OBJECT

private slots:
    void killedSavesKeepOldOrNewValues();
    void unusableLockPathsGiveUp_data();
    void unusableLockPathsGiveUp();
};

void tst_SaveCrash::unusableLockPathsGiveUp_data()
{
    QTest::addColumn<QString>("lock");
    QTest::addColumn<QString>("kind");
    for (const char* lock : { ".lock", ".savelock" })
        for (const char* kind : { "folder", "fifo", "link" })
            QTest::addRow("%s %s", lock, kind) << QString::fromLatin1(lock) << QString::fromLatin1(kind);
}

// Whatever stands at a lock's path in place of a lock file, a save returns
// (CTest's timeout catches one that waits) and leaves the file as it was, and
// a transaction says that it holds no lock and that its save failed.
void tst_SaveCrash::unusableLockPathsGiveUp()
{
    QFETCH(QString, lock);
    QFETCH(QString, kind);
    ConfigMgr* m = ConfigMgr::createInstance();
    const QString file = savestamps::settingsFile();
    m->saveNormalSetting();
    const QByteArray before = cvtest::readFile(file);
    lock.prepend(file);
    QVERIFY(kind == "folder" ? QDir().mkdir(lock)
            : kind == "fifo" ? ::mkfifo(QFile::encodeName(lock).constData(), 0600) == 0
                             : QFile::link(file + QStringLiteral(".nowhere"), lock));
    NormalSetting changed(m->normalSetting());
    changed.setAutoRun(!changed.autoRun());
    for (const bool obstructed : { true, false }) {
        const cvsettings::store::SaveTransaction transaction(file);
        QCOMPARE(transaction.locked(), !obstructed);
        m->writeNormalSetting(changed);
        QCOMPARE(transaction.failed(), obstructed);
        QCOMPARE(cvtest::readFile(file) == before, obstructed);
        QVERIFY(!obstructed || (kind == "folder" ? QDir().rmdir(lock) : QFile::remove(lock)));
    }
    ConfigMgr::destroyInstance();
    QFile::remove(file);
}

void tst_SaveCrash::killedSavesKeepOldOrNewValues()
{
    ConfigMgr* m = ConfigMgr::createInstance();
    const QString file = savestamps::settingsFile();
    for (int g = 0; g < savestamps::kGroups; ++g)
        savestamps::save(*m, g, 0);
    ConfigMgr::destroyInstance();
    std::vector<int> held(savestamps::kGroups, 0);

    const int kTrials = 200;
    std::mt19937 rng(20240611);
    int saves = 0;
    for (int trial = 1; trial <= kTrials; ++trial) {
        const int first = trial * 100000;
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(),
            { QStringLiteral("--save-loop"), file, QStringLiteral("0,1,2,3,4"), QString::number(first),
                QStringLiteral("-1") });
        // Let a random number of saves complete (none, some, several rounds),
        // then kill at a random moment of the next ones. Counting reported saves
        // instead of waiting a fixed time keeps the kills among the saves on a
        // slow machine or under a sanitizer too.
        const int savesBeforeKill = std::uniform_int_distribution<int>(0, 12)(rng);
        QByteArray out;
        while (out.count('\n') < 1 + savesBeforeKill) {
            QVERIFY2(child.waitForReadyRead(20000), "child stopped reporting");
            out += child.readAllStandardOutput();
        }
        QThread::usleep(std::uniform_int_distribution<unsigned>(0, 8000)(rng));
        child.kill();
        QVERIFY(child.waitForFinished(20000));

        std::vector<int> reported(savestamps::kGroups, -1);
        out += child.readAllStandardOutput();
        const QList<QByteArray> lines = out.split('\n');
        QCOMPARE(lines.value(0), QByteArray("ready"));
        for (const QByteArray& line : lines.mid(1)) {
            const QList<QByteArray> f = line.split(' ');
            if (f.size() == 2) {
                reported[size_t(f[0].toInt())] = f[1].toInt();
                ++saves;
            } else {
                QVERIFY2(line.isEmpty(), line.constData()); // a child that saw a value go back
            }
        }

        QSettings raw(file, QSettings::IniFormat);
        QCOMPARE(raw.status(), QSettings::NoError);
        const std::vector<int> now = savestamps::loadStamps();
        ConfigMgr::destroyInstance();
        for (int g = 0; g < savestamps::kGroups; ++g) {
            const int done = reported[size_t(g)] >= 0 ? reported[size_t(g)] : held[size_t(g)];
            const int next = reported[size_t(g)] >= 0 ? done + 1 : first;
            QVERIFY2(now[size_t(g)] == done || now[size_t(g)] == next,
                qPrintable(QStringLiteral("trial %1 group %2: %3, expected %4 or %5")
                               .arg(trial)
                               .arg(g)
                               .arg(now[size_t(g)])
                               .arg(done)
                               .arg(next)));
            held[size_t(g)] = now[size_t(g)];
        }
    }
    // The kills must have landed among the saves, not all before them.
    QVERIFY(saves > kTrials);
}

CV_SAVE_STAMPS_TEST_MAIN(tst_SaveCrash)
#include "tst_savecrash.moc"
