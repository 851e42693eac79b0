// ConfigMgr::loadConfig() on the sample application directory and a settings
// file holding every section and ten saved accounts, against the floor of the
// same work done directly: the four containers read with OpenSSL, their
// plaintexts parsed with QDomDocument and QJsonDocument, and one QSettings
// read of the same file. Then one save of each group against a plain
// QSettings write of the same keys.
#include "BenchSupport.h"

#include "ConfigMgr.h"
#include "ConfigMgr_p.h"
#include "PasswordCipher_p.h"

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QDomDocument>
#include <QJsonDocument>
#include <QSettings>
#include <QStringList>
#include <QVariant>

#include <sys/time.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

const QString kSampleDir = QStringLiteral(CV_BENCH_SAMPLE_APP_DIR);
const char* const kDataFiles[] = { "/config.data", "/omsurl.data", "/thirdconfig.data", "/cvserver.data" };

using Row = std::pair<const char*, QVariant>;

void WriteSection(QSettings& ini, const char* name, const std::vector<Row>& rows)
{
    ini.beginGroup(QLatin1String(name));
    for (const Row& row : rows)
        ini.setValue(QLatin1String(row.first), row.second);
    ini.endGroup();
}

// Every section the library reads, each key set to a value that differs from
// the class default, and ten accounts with enciphered passwords.
QString MakeSettingsFile(const char* name)
{
    const QString path = QString::fromStdString(cvbench::ScratchDir()) + QLatin1Char('/') + QLatin1String(name);
    QSettings ini(path, QSettings::IniFormat);
    WriteSection(ini, "Server",
        { { "FrontServer", QStringLiteral("front.override.invalid:8443") },
            { "MeetingServer", QStringLiteral("meeting.override.invalid:9443") },
            { "A2Server", QStringLiteral("a2.override.invalid:9443") },
            { "ImServer", QStringLiteral("im.override.invalid:5223") },
            { "LocalRootUrl", QStringLiteral("https://local.override.invalid") },
            { "HttpApiRootUrl", QStringLiteral("https://api.override.invalid/v2") },
            { "WebServices", QStringLiteral("https://ws.override.invalid") }, { "FrontAppId", 31 },
            { "MeetingAppId", 32 } });
    WriteSection(ini, "Normal", { { "AutoRun", true }, { "AutoLogin", true }, { "Language", 2 } });
    WriteSection(
        ini, "Meeting", { { "AudioDefaultMute", true }, { "AudioNeedGranted", true }, { "ShowMessageTips", false } });
    WriteSection(ini, "Message", { { "FlashIcon", false }, { "PlaySound", false } });
    WriteSection(ini, "Share", { { "HideSelfWnd", true }, { "ShareSound", true } });
    WriteSection(ini, "UI", { { "LoginWinLastPage", 3 } });
    WriteSection(ini, "JoinMeeting",
        { { "MeetingNum", QStringLiteral("123456789") }, { "NickName", QStringLiteral("Bench User") },
            { "WebinarNum", QStringLiteral("987654321") }, { "WebinarFirstName", QStringLiteral("Bench") },
            { "WebinarLastName", QStringLiteral("User") },
            { "WebinarEmail", QStringLiteral("bench.user@example.invalid") },
            { "WebinarCheckCode", QStringLiteral("4711") } });
    WriteSection(ini, "Onion", { { "CapVolume", 70 }, { "PlayVolume", 80 } });
    WriteSection(ini, "Process", { { "Port", 18443 } });
    WriteSection(ini, "Audio",
        { { "AutoAdjust", false }, { "CapDevIndex", 1 }, { "InputIndex", 2 }, { "CapVolume", 65 },
            { "CapVolumeAutoAdjust", false }, { "PlayDevIndex", 1 }, { "PlayVolume", 75 }, { "EncoderId", 3 },
            { "AEC", false }, { "ANS", false }, { "FEC", false }, { "AGC", false }, { "VAD", true },
            { "AudioEngine", 1 } });
    WriteSection(ini, "Record",
        { { "RecordType", 1 }, { "RecordPath", QStringLiteral("/home/bench/Recordings") }, { "VideoFramerate", 25 } });

    TORVELIB::TripleDesContext cipher;
    cvsettings::keyPasswordCipher(cipher);
    ini.beginGroup(QStringLiteral("Login"));
    ini.setValue(QStringLiteral("LastLoginUser"), QStringLiteral("user3@example.invalid"));
    ini.setValue(QStringLiteral("AutoLoginUser"), QStringLiteral("user3@example.invalid"));
    ini.beginWriteArray(QStringLiteral("Users"));
    for (int i = 0; i < 10; ++i) {
        ini.setArrayIndex(i);
        ini.setValue(QStringLiteral("Email"), QStringLiteral("user%1@example.invalid").arg(i));
        ini.setValue(QStringLiteral("Password"),
            cvsettings::encipherPassword(cipher, QStringLiteral("password-%1-of-the-bench").arg(i)));
    }
    ini.endArray();
    ini.endGroup();
    return path;
}

const QString& LoadFile()
{
    static const QString path = MakeSettingsFile("load.ini");
    return path;
}

// QSettings keeps parsed files and reparses one only when its size or time
// stamp changed. Each timed load stands for a fresh start of the client, so
// the file gets a new time stamp before it.
void NewTimeStamp(const QString& path)
{
    static long seconds = 1000000000;
    ++seconds;
    const struct timeval times[2] = { { seconds, 0 }, { seconds, 0 } };
    ::utimes(path.toLocal8Bit().constData(), times);
}

// A record of the bench's own, on the sample files.
std::unique_ptr<ConfigMgrPrivate> NewRecord(const QString& settingsFile)
{
    return std::make_unique<ConfigMgrPrivate>(nullptr, cvsettings::store::Files { kSampleDir, settingsFile });
}

void LoadConfig_Lib(benchmark::State& state)
{
    std::string why;
    if (!cvbench::CanPackContainers(why)) {
        state.SkipWithError(why.c_str());
        return;
    }
    // Everything must load, or the comparison says nothing.
    {
        const auto d = NewRecord(LoadFile());
        cvsettings::loadAll(*d);
        const bool full = !d->clientConfig->productName().isEmpty() && d->loginSetting->users().size() == 10
            && d->serverSetting->meetingServer() == QStringLiteral("meeting.override.invalid:9443")
            && d->thirdContactsConfigs.contains(QLatin1String(cvsettings::kGoogle));
        if (!full) {
            state.SkipWithError("the sample configuration did not load in full");
            return;
        }
    }
    for (auto _ : state) {
        state.PauseTiming();
        NewTimeStamp(LoadFile());
        const auto d = NewRecord(LoadFile());
        state.ResumeTiming();
        cvsettings::loadAll(*d);
    }
}

void LoadConfig_Floor(benchmark::State& state)
{
    std::string why;
    if (!cvbench::CanPackContainers(why)) {
        state.SkipWithError(why.c_str());
        return;
    }
    std::vector<std::string> paths;
    for (const char* name : kDataFiles)
        paths.push_back((kSampleDir + QLatin1String(name)).toStdString());
    for (auto _ : state) {
        state.PauseTiming();
        NewTimeStamp(LoadFile());
        state.ResumeTiming();
        unsigned char* plain[4] = {};
        uint32_t length[4] = {};
        for (int i = 0; i < 4; ++i)
            length[i] = cvbench::FloorDecryptFile(paths[size_t(i)].c_str(), &plain[i]);
        for (int i = 0; i < 3; ++i) {
            QDomDocument document;
            benchmark::DoNotOptimize(
                document.setContent(QByteArray::fromRawData(reinterpret_cast<const char*>(plain[i]), int(length[i]))));
        }
        benchmark::DoNotOptimize(
            QJsonDocument::fromJson(QByteArray::fromRawData(reinterpret_cast<const char*>(plain[3]), int(length[3])))
                .isObject());
        {
            QSettings ini(LoadFile(), QSettings::IniFormat);
            for (const QString& key : ini.allKeys())
                benchmark::DoNotOptimize(ini.value(key).isValid());
        }
        for (unsigned char* p : plain)
            std::free(p);
    }
}

const QString& SaveFile()
{
    static const QString path = MakeSettingsFile("save.ini");
    return path;
}

// The keys and values one save of `section` wrote, for the plain write.
std::vector<std::pair<QString, QVariant>> SectionContents(const char* section)
{
    QSettings ini(SaveFile(), QSettings::IniFormat);
    ini.beginGroup(QLatin1String(section));
    std::vector<std::pair<QString, QVariant>> rows;
    for (const QString& key : ini.allKeys())
        rows.emplace_back(key, ini.value(key));
    ini.endGroup();
    return rows;
}

// One save operation of the manager and the section it writes.
struct SaveCase {
    const char* workload;
    void (*save)(ConfigMgrPrivate& d);
    const char* section;
};

#define CV_SAVE(member) [](ConfigMgrPrivate& d) { cvsettings::saveGroup(d, d.member); }
const SaveCase kSaves[] = {
    { "save_normal", CV_SAVE(normalSetting), "Normal" },
    { "save_meeting", CV_SAVE(meetingSetting), "Meeting" },
    { "save_message", CV_SAVE(messageSetting), "Message" },
    { "save_share", CV_SAVE(shareSetting), "Share" },
    { "save_login_10_accounts", CV_SAVE(loginSetting), "Login" },
    { "save_ui", CV_SAVE(uiSetting), "UI" },
    { "save_joinmeeting", CV_SAVE(joinMeetingSetting), "JoinMeeting" },
    { "save_onion", CV_SAVE(onionSetting), "Onion" },
    { "save_process", CV_SAVE(processSetting), "Process" },
    { "save_audio", CV_SAVE(audioSetting), "Audio" },
    { "save_record", CV_SAVE(recordSetting), "Record" },
};
#undef CV_SAVE

void Save_Lib(benchmark::State& state, const SaveCase& c)
{
    const auto d = NewRecord(SaveFile());
    cvsettings::loadAll(*d);
    for (auto _ : state)
        c.save(*d);
}

void Save_QSettings(benchmark::State& state, const SaveCase& c)
{
    {
        const auto d = NewRecord(SaveFile());
        cvsettings::loadAll(*d);
        c.save(*d);
    }
    const auto rows = SectionContents(c.section);
    const QString group = QLatin1String(c.section);
    for (auto _ : state) {
        QSettings ini(SaveFile(), QSettings::IniFormat);
        ini.beginGroup(group);
        for (const auto& row : rows)
            ini.setValue(row.first, row.second);
        ini.endGroup();
    }
}

const bool kSavesRegistered = [] {
    for (const SaveCase& c : kSaves) {
        benchmark::RegisterBenchmark(
            (std::string(c.workload) + "/cvsettings").c_str(), [&c](benchmark::State& state) { Save_Lib(state, c); });
        benchmark::RegisterBenchmark((std::string(c.workload) + "/qsettings").c_str(),
            [&c](benchmark::State& state) { Save_QSettings(state, c); });
    }
    return true;
}();

} // namespace

BENCHMARK(LoadConfig_Lib)->Name("loadconfig_sample_app/cvsettings");
BENCHMARK(LoadConfig_Floor)->Name("loadconfig_sample_app/floor");
