#include "SettingsStore_p.h"

#include "PasswordCipher_p.h"

#include <QSettings>
#include <QStringList>
#include <QVariant>

#include <algorithm>
#include <type_traits>
#include <vector>

namespace cvsettings::store {

namespace {

// How a property travels through the file: bool as "true"/"false", int and
// enumerations as decimal, text as text. Reading takes QVariant's conversions:
// a boolean is false only for "", "0" or "false" in any case, and an integer
// that does not parse is 0.
template <class T> QVariant toStored(const T& value)
{
    if constexpr (std::is_enum_v<T>)
        return QVariant(static_cast<int>(value));
    else
        return QVariant(value);
}

template <class T> T fromStored(const QVariant& value)
{
    if constexpr (std::is_same_v<T, bool>)
        return value.toBool();
    else if constexpr (std::is_same_v<T, int>)
        return value.toInt();
    else if constexpr (std::is_enum_v<T>)
        return static_cast<T>(value.toInt());
    else
        return value.toString();
}

template <class Getter> struct GetterTraits;
template <class C, class R> struct GetterTraits<R (C::*)() const> {
    using Class = C;
};
template <class Setter> struct SetterTraits;
template <class C, class A> struct SetterTraits<void (C::*)(A)> {
    using Value = std::decay_t<A>;
};

// One row of a section's table: the key in the file and the property behind it.
// The key is made a QString once, as QSettings takes it on every load and save.
template <class G> struct IniKey {
    QString key;
    const char* property;
    QVariant (*save)(const G&);
    void (*load)(G&, const QVariant&);
    bool keepOnEmptyText; // an empty text leaves the held value alone
};

template <auto Get, auto Set> auto key(const char* name, const char* property, bool keepOnEmptyText = false)
{
    using G = typename GetterTraits<decltype(Get)>::Class;
    using T = typename SetterTraits<decltype(Set)>::Value;
    return IniKey<G> { QString::fromLatin1(name), property, [](const G& g) { return toStored<T>((g.*Get)()); },
        [](G& g, const QVariant& v) { (g.*Set)(fromStored<T>(v)); }, keepOnEmptyText };
}

#define CV_KEY(Key, Class, property, Property) key<&Class::property, &Class::set##Property>(Key, #property)
// A text key whose empty value leaves the held value alone.
#define CV_KEY_UNLESS_EMPTY(Key, Class, property, Property) \
    key<&Class::property, &Class::set##Property>(Key, #property, true)

// The key table of each group that has a section, in the order the keys are
// read and written; the section's name is the group's row.
template <class G> struct KeyTable {
    static const std::vector<IniKey<G>> keys;
};

template <>
const std::vector<IniKey<ServerSetting>> KeyTable<ServerSetting>::keys {
    CV_KEY_UNLESS_EMPTY("FrontServer", ServerSetting, frontServer, FrontServer),
    CV_KEY_UNLESS_EMPTY("MeetingServer", ServerSetting, meetingServer, MeetingServer),
    CV_KEY_UNLESS_EMPTY("A2Server", ServerSetting, a2Server, A2Server),
    CV_KEY_UNLESS_EMPTY("ImServer", ServerSetting, imServer, ImServer),
    CV_KEY_UNLESS_EMPTY("LocalRootUrl", ServerSetting, localApi, LocalApi),
    CV_KEY_UNLESS_EMPTY("HttpApiRootUrl", ServerSetting, ucApi, UcApi),
    CV_KEY_UNLESS_EMPTY("WebServices", ServerSetting, webService, WebService),
    CV_KEY("FrontAppId", ServerSetting, frontAppId, FrontAppId),
    CV_KEY("MeetingAppId", ServerSetting, meetingAppId, MeetingAppId),
};

template <>
const std::vector<IniKey<NormalSetting>> KeyTable<NormalSetting>::keys {
    CV_KEY("AutoRun", NormalSetting, autoRun, AutoRun),
    CV_KEY("AutoLogin", NormalSetting, autoLogin, AutoLogin),
    CV_KEY("Language", NormalSetting, language, Language),
};

template <>
const std::vector<IniKey<MeetingSetting>> KeyTable<MeetingSetting>::keys {
    CV_KEY("AudioDefaultMute", MeetingSetting, audioDefaultMute, AudioDefaultMute),
    CV_KEY("AudioNeedGranted", MeetingSetting, audioNeedGranted, AudioNeedGranted),
    CV_KEY("ShowMessageTips", MeetingSetting, showMessageTips, ShowMessageTips),
};

template <>
const std::vector<IniKey<MessageSetting>> KeyTable<MessageSetting>::keys {
    CV_KEY("FlashIcon", MessageSetting, flashIcon, FlashIcon),
    CV_KEY("PlaySound", MessageSetting, playSound, PlaySound),
};

template <>
const std::vector<IniKey<ShareSetting>> KeyTable<ShareSetting>::keys {
    CV_KEY("HideSelfWnd", ShareSetting, isHideCorvaneWin, IsHideCorvaneWin),
    CV_KEY("ShareSound", ShareSetting, isShareSound, IsShareSound),
};

template <>
const std::vector<IniKey<UISetting>> KeyTable<UISetting>::keys {
    CV_KEY("LoginWinLastPage", UISetting, loginWinLastPage, LoginWinLastPage),
};

// `email` has no key: it is not kept between runs.
template <>
const std::vector<IniKey<JoinMeetingSetting>> KeyTable<JoinMeetingSetting>::keys {
    CV_KEY("MeetingNum", JoinMeetingSetting, meetingNum, MeetingNum),
    CV_KEY("NickName", JoinMeetingSetting, nickname, Nickname),
    CV_KEY("WebinarNum", JoinMeetingSetting, webinarNum, WebinarNum),
    CV_KEY("WebinarFirstName", JoinMeetingSetting, webinarFirstName, WebinarFirstName),
    CV_KEY("WebinarLastName", JoinMeetingSetting, webinarLastName, WebinarLastName),
    CV_KEY("WebinarEmail", JoinMeetingSetting, webinarEmail, WebinarEmail),
    CV_KEY("WebinarCheckCode", JoinMeetingSetting, webinarCheckCode, WebinarCheckCode),
};

template <>
const std::vector<IniKey<OnionSetting>> KeyTable<OnionSetting>::keys {
    CV_KEY("CapVolume", OnionSetting, capVolume, CapVolume),
    CV_KEY("PlayVolume", OnionSetting, playVolume, PlayVolume),
};

template <>
const std::vector<IniKey<ProcessSetting>> KeyTable<ProcessSetting>::keys {
    CV_KEY("Port", ProcessSetting, port, Port),
};

template <>
const std::vector<IniKey<AudioSetting>> KeyTable<AudioSetting>::keys {
    CV_KEY("AutoAdjust", AudioSetting, autoAdjust, AutoAdjust),
    CV_KEY("CapDevIndex", AudioSetting, capDevIndex, CapDevIndex),
    CV_KEY("InputIndex", AudioSetting, inputIndex, InputIndex),
    CV_KEY("CapVolume", AudioSetting, capVolume, CapVolume),
    CV_KEY("CapVolumeAutoAdjust", AudioSetting, capVolumeAutoAdjust, CapVolumeAutoAdjust),
    CV_KEY("PlayDevIndex", AudioSetting, playDevIndex, PlayDevIndex),
    CV_KEY("PlayVolume", AudioSetting, playVolume, PlayVolume),
    CV_KEY("EncoderId", AudioSetting, encoderId, EncoderId),
    CV_KEY("AEC", AudioSetting, aec, Aec),
    CV_KEY("ANS", AudioSetting, ans, Ans),
    CV_KEY("FEC", AudioSetting, fec, Fec),
    CV_KEY("AGC", AudioSetting, agc, Agc),
    CV_KEY("VAD", AudioSetting, vad, Vad),
    CV_KEY("AudioEngine", AudioSetting, audioEngine, AudioEngine),
};

// `maxFileSize` has no key: it is not kept between runs.
template <>
const std::vector<IniKey<RecordSetting>> KeyTable<RecordSetting>::keys {
    CV_KEY("RecordType", RecordSetting, recordType, RecordType),
    CV_KEY("RecordPath", RecordSetting, recordPath, RecordPath),
    CV_KEY("VideoFramerate", RecordSetting, videoFramerate, VideoFramerate),
};

// The accounts are an array after these keys (see the Login frame below).
template <>
const std::vector<IniKey<LoginSetting>> KeyTable<LoginSetting>::keys {
    CV_KEY("LastLoginUser", LoginSetting, lastLoginUser, LastLoginUser),
    CV_KEY("AutoLoginUser", LoginSetting, autoLoginUser, AutoLoginUser),
};

#undef CV_KEY
#undef CV_KEY_UNLESS_EMPTY

const QString kUsers = QStringLiteral("Users");

struct NoExtra {
    template <class G> void operator()(QSettings&, G&) const { }
};

// Load frame: each key present in the section goes through its setter, which
// signals only a real change; absent keys leave their properties alone.
template <class G, class Extra = NoExtra> void loadFrame(QSettings& ini, G& group, Extra extra = {})
{
    ini.beginGroup(QLatin1String(GroupRow<G>::name));
    for (const IniKey<G>& k : KeyTable<G>::keys) {
        // One lookup for a present key: only a stored "@Invalid()" also reads
        // as an invalid value, so contains() is asked just then.
        const QVariant value = ini.value(k.key, QVariant());
        if (!value.isValid() && !ini.contains(k.key))
            continue;
        if (k.keepOnEmptyText && value.toString().isEmpty())
            continue;
        k.load(group, value);
    }
    extra(ini, group);
    ini.endGroup();
}

// Save frame: every key of the table, changed or not; nothing else in the
// file is touched. QSettings writes the file when it is destroyed.
template <class G, class Extra = NoExtra> SaveResult saveFrame(const QString& file, const G* group, Extra extra = {})
{
    if (!group)
        return { SaveError::NotWrittenWhole };
    return save(file, [&](QSettings& ini) {
        ini.beginGroup(QLatin1String(GroupRow<G>::name));
        for (const IniKey<G>& k : KeyTable<G>::keys)
            ini.setValue(k.key, k.save(*group));
        extra(ini, *group);
        ini.endGroup();
    });
}

template <class G> QList<StoredKey> keysOf()
{
    QList<StoredKey> out;
    for (const IniKey<G>& k : KeyTable<G>::keys)
        out.append({ k.key, QLatin1String(k.property) });
    return out;
}

// Indices of the "Users" entries that exist, in array order, within the stored
// count. Entries with no keys read as empty and are skipped anyway, so walking
// only the stored ones gives the same result as walking 0..size-1, without
// trusting a count that a damaged file may put in the billions.
std::vector<int> storedUserIndices(QSettings& ini)
{
    const int size = ini.beginReadArray(kUsers);
    ini.endArray();
    std::vector<int> indices;
    if (size <= 0)
        return indices;
    ini.beginGroup(kUsers);
    const QStringList groups = ini.childGroups();
    ini.endGroup();
    for (const QString& g : groups) {
        bool ok = false;
        const int number = g.toInt(&ok);
        // Array entries are numbered from 1 in the file, without a sign or padding.
        if (ok && number >= 1 && number <= size && QString::number(number) == g)
            indices.push_back(number - 1);
    }
    std::sort(indices.begin(), indices.end());
    return indices;
}

} // namespace

namespace {

// Accounts are added, never removed, by a load: each entry with an e-mail
// address goes through replaceIntoUser, so a later duplicate wins and every
// account read emits one usersChanged.
void loadUsers(QSettings& ini, LoginSetting& login, const TORVELIB::TripleDesContext& cipher)
{
    const std::vector<int> indices = storedUserIndices(ini);
    if (indices.empty())
        return;
    ini.beginReadArray(kUsers);
    for (const int index : indices) {
        ini.setArrayIndex(index);
        const QString email = ini.value(QStringLiteral("Email"), QVariant()).toString();
        if (email.isEmpty())
            continue;
        const QByteArray stored = ini.value(QStringLiteral("Password"), QVariant()).toByteArray();
        LoginSettingUser user;
        user.setEmail(email);
        user.setPassword(decipherPassword(cipher, stored));
        login.replaceIntoUser(user);
    }
    ini.endArray();
}

// The array is rewritten whole, in ascending e-mail order and numbered from 1;
// entries without an e-mail address are not written.
void saveUsers(QSettings& ini, const LoginSetting& login, const TORVELIB::TripleDesContext& cipher)
{
    ini.remove(kUsers);
    ini.beginWriteArray(kUsers);
    int index = 0;
    for (const LoginSettingUser& user : login.users()) {
        if (user.email().isEmpty())
            continue;
        ini.setArrayIndex(index++);
        ini.setValue(QStringLiteral("Email"), user.email());
        ini.setValue(QStringLiteral("Password"), encipherPassword(cipher, user.password()));
    }
    ini.endArray();
}

template <class G> QList<StoredKey> storedKeys()
{
    if constexpr (!GroupRow<G>::hasSection)
        return {};
    else if constexpr (std::is_same_v<G, LoginSetting>)
        return keysOf<G>() << StoredKey { kUsers, QStringLiteral("users") };
    else
        return keysOf<G>();
}

} // namespace

SectionReader::SectionReader(const QString& file, const TORVELIB::TripleDesContext& cipher, bool utf8Marked)
    : m_ini(openForReading(file, utf8Marked))
    , m_cipher(cipher)
{ }

SectionReader::~SectionReader() = default;

template <class G> void SectionReader::read(G* group)
{
    if (!group)
        return;
    if constexpr (std::is_same_v<G, LoginSetting>)
        loadFrame(*m_ini, *group, [this](QSettings& ini, LoginSetting& login) { loadUsers(ini, login, m_cipher); });
    else if constexpr (GroupRow<G>::hasSection)
        loadFrame(*m_ini, *group);
}

// Only the user groups are saved: the "Server" section is the user's own.
template <class G>
SaveResult saveSection([[maybe_unused]] const QString& file, [[maybe_unused]] const G* group,
    [[maybe_unused]] const TORVELIB::TripleDesContext& cipher)
{
    if constexpr (std::is_same_v<G, LoginSetting>)
        return saveFrame(
            file, group, [&cipher](QSettings& ini, const LoginSetting& login) { saveUsers(ini, login, cipher); });
    else if constexpr (GroupRow<G>::hasSection && GroupRow<G>::userGroup)
        return saveFrame(file, group);
    else
        return { SaveError::NotWrittenWhole };
}

#define CV_STORE_FRAMES(Class, ...)            \
    template void SectionReader::read(Class*); \
    template SaveResult saveSection(const QString&, const Class*, const TORVELIB::TripleDesContext&);
CV_SETTINGS_GROUPS(CV_STORE_FRAMES, , CV_STORE_FRAMES)
#undef CV_STORE_FRAMES

QList<StoredKey> sectionKeys(const QString& section)
{
#define CV_SECTION_KEYS(Class, ...)                      \
    if (section == QLatin1String(GroupRow<Class>::name)) \
        return storedKeys<Class>();
    CV_SETTINGS_GROUPS(CV_SECTION_KEYS, , CV_SECTION_KEYS)
#undef CV_SECTION_KEYS
    return {};
}

} // namespace cvsettings::store
