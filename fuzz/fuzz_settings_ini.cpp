// The settings-file load over arbitrary INI bytes, through loadConfig(). After
// the load every user group is saved and the file loaded again by a new
// manager: whatever the first load accepted must come back unchanged, accounts
// and their passwords included.
#include "FuzzQtEnvironment.h"

#include "ConfigMgr.h"
#include "ConfigMgr_p.h"
#include "Corvane.h"
#include "LoginSetting.h"
#include "LoginSettingUser.h"
#include "PathHelper.h"

#include <QFile>
#include <QMetaProperty>
#include <QStringList>

#include <cstdlib>

// The library keeps these enumerations as plain integers and registers
// neither; reading them through the meta-object needs them registered.
Q_DECLARE_METATYPE(Corvane::ClientLanguage)

namespace {

QString g_file;

QStringList properties(const QObject& o)
{
    QStringList out;
    const QMetaObject* mo = o.metaObject();
    for (int i = mo->propertyOffset(); i < mo->propertyCount(); ++i) {
        const QVariant v = mo->property(i).read(&o);
        if (v.canConvert<QString>())
            out << QString::fromLatin1(mo->property(i).name()) + QLatin1Char('=') + v.toString();
    }
    return out;
}

// Everything that a save writes and a load reads back.
QStringList snapshot(ConfigMgr& m)
{
    QStringList s;
    s << properties(m.normalSetting()) << properties(m.meetingSetting()) << properties(m.messageSetting())
      << properties(m.shareSetting()) << properties(m.uiSetting()) << properties(m.joinMeetingSetting())
      << properties(m.onionSetting()) << properties(m.processSetting()) << properties(m.audioSetting())
      << properties(m.recordSetting()) << m.loginSetting().lastLoginUser() << m.loginSetting().autoLoginUser();
    const QMap<QString, LoginSettingUser>& users = m.loginSetting().users();
    for (auto it = users.cbegin(); it != users.cend(); ++it)
        s << it.key() << it.value().email() << it.value().password();
    return s;
}

void saveAll(ConfigMgr& m)
{
    m.saveNormalSetting();
    m.saveMeetingSetting();
    m.saveMessageSetting();
    m.saveShareSetting();
    m.saveUiSetting();
    m.saveJoinMeetingSetting();
    m.saveOnionSetting();
    m.saveProcessSetting();
    m.saveAudioSetting();
    m.saveRecordSetting();
    m.saveLoginSetting();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    cvfuzz::initQt(argc, argv);
    qRegisterMetaType<Corvane::ClientLanguage>("Corvane::ClientLanguage");
    g_file = PathHelper::defaultPathName(QLatin1String(cvsettings::store::kSettingsFileName));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    {
        QFile f(g_file);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || f.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
            std::abort();
    }
    ConfigMgr* first = ConfigMgr::createInstance();
    first->loadConfig();
    const QStringList loaded = snapshot(*first);
    saveAll(*first);
    ConfigMgr::destroyInstance();

    ConfigMgr* second = ConfigMgr::createInstance();
    second->loadConfig();
    if (snapshot(*second) != loaded)
        std::abort();
    ConfigMgr::destroyInstance();
    QFile::remove(g_file);
    return 0;
}
