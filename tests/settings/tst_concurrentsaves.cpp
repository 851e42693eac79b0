// Two processes saving different groups of the same settings file at the
// same time. Each save merges into the file as it is on disk, under a lock, so
// neither process may undo the other's saves: each child reloads the file
// before every round and fails on any group that went back, and at the end
// every group holds its writer's last values, all accounts are there and the
// group that nobody wrote is untouched. (QSettings alone fails this about
// every other run: it can merge into a stale copy of the file.)

#include "TestEnvironment.h"

#include "SaveStamps.h"

#include <QProcess>

class tst_ConcurrentSaves : public QObject
{
    Q_OBJECT

private slots:
    void interleavedSavesLoseNothing();
};

void tst_ConcurrentSaves::interleavedSavesLoseNothing()
{
    // Every group starts at stamp 0, so no child ever reads a class default.
    ConfigMgr* m = ConfigMgr::createInstance();
    const QString file = savestamps::settingsFile();
    for (int g = 0; g < savestamps::kGroups; ++g)
        savestamps::save(*m, g, 0);
    ConfigMgr::destroyInstance();

    const int kRounds = 250; // two groups a round: 500 saves per process
    // One child owns Normal and Login, the other JoinMeeting and Process;
    // Onion is written by neither and must come through untouched.
    QProcess children[2];
    for (int i = 0; i < 2; ++i) {
        children[i].setProcessChannelMode(QProcess::ForwardedErrorChannel);
        children[i].start(QCoreApplication::applicationFilePath(),
            { QStringLiteral("--save-loop"), file, QString::fromLatin1(i ? "2,4" : "0,1"), QStringLiteral("1"),
                QString::number(kRounds), QStringLiteral("40") });
    }
    int changesSeen[2] = { 0, 0 };
    for (int i = 0; i < 2; ++i) {
        QVERIFY(children[i].waitForFinished(240000));
        const QByteArray out = children[i].readAllStandardOutput().trimmed();
        // "done <rounds> <lost> <changes seen>"; a lost or wrong group ends the child with 1.
        const QList<QByteArray> done = out.mid(out.lastIndexOf('\n') + 1).split(' ');
        QVERIFY2(children[i].exitCode() == 0 && done.value(0) == "done", out.right(400).constData());
        QCOMPARE(done.value(1).toInt(), kRounds);
        changesSeen[i] = done.value(3).toInt();
    }
    // Each child must have seen the other's groups move while it was saving,
    // or the two runs did not overlap and proved nothing.
    QVERIFY2(changesSeen[0] > 0 && changesSeen[1] > 0, "the two save loops did not interleave");

    const std::vector<int> stamps = savestamps::loadStamps();
    ConfigMgr::destroyInstance();
    for (int g = 0; g < savestamps::kGroups; ++g)
        QCOMPARE(stamps[size_t(g)], g == 3 ? 0 : kRounds);
}

CV_SAVE_STAMPS_TEST_MAIN(tst_ConcurrentSaves)
#include "tst_concurrentsaves.moc"
