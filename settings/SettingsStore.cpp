#include "SettingsStore_p.h"

#include "PasswordCipher_p.h"
#include "SettingsKeys_p.h"

#include <QSettings>
#include <QStringList>
#include <QVariant>

#include <algorithm>
#include <type_traits>
#include <vector>

namespace cvsettings::store {

namespace {

using detail::IniKey;

template <class G> const std::vector<IniKey<G>>& keysOf() { return detail::keyTable(static_cast<const G*>(nullptr)); }

const QString kUsers = QStringLiteral("Users");

struct NoExtra {
    template <class G> void operator()(QSettings&, G&) const { }
};

// Load frame: each key present in the section goes through its setter, which
// signals only a real change; absent keys leave their properties alone.
template <class G, class Extra = NoExtra> void loadFrame(QSettings& ini, G& group, Extra extra = {})
{
    ini.beginGroup(QLatin1String(GroupRow<G>::name));
    for (const IniKey<G>& k : keysOf<G>()) {
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
        for (const IniKey<G>& k : keysOf<G>())
            ini.setValue(k.key, k.save(*group));
        extra(ini, *group);
        ini.endGroup();
    });
}

template <class G> QList<StoredKey> storedKeysOf()
{
    QList<StoredKey> out;
    for (const IniKey<G>& k : keysOf<G>())
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
        return storedKeysOf<G>() << StoredKey { kUsers, QStringLiteral("users") };
    else
        return storedKeysOf<G>();
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
CV_SETTINGS_GROUPS(CV_STORE_FRAMES, CV_STORE_FRAMES)
#undef CV_STORE_FRAMES

QList<StoredKey> sectionKeys(const QString& section)
{
#define CV_SECTION_KEYS(Class, ...)                      \
    if (section == QLatin1String(GroupRow<Class>::name)) \
        return storedKeys<Class>();
    CV_SETTINGS_GROUPS(CV_SECTION_KEYS, CV_SECTION_KEYS)
#undef CV_SECTION_KEYS
    return {};
}

} // namespace cvsettings::store
