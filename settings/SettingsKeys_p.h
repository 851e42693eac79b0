#pragma once

// How a property is kept in the settings file: the key column of its field
// row (see SettingsObject_p.h) and the conversions between its value and what
// QSettings stores. Each class's rows make its key table, through which the
// store reads and writes the class's section.

#include "SettingsGroups_p.h"

#include <QString>
#include <QVariant>

#include <type_traits>
#include <vector>

namespace cvsettings::detail {

// The key column of a field row: Key("Name"), KeyUnlessEmpty("Name") for a
// text whose empty value in the file leaves the held value alone, or NoKey
// (also what a row without the column means) for a property not kept.
struct KeyColumn {
    const char* name;
    bool keepOnEmptyText;
};
constexpr KeyColumn Key(const char* name) { return { name, false }; }
constexpr KeyColumn KeyUnlessEmpty(const char* name) { return { name, true }; }
struct NoKeyType {
};
inline constexpr NoKeyType NoKey {};

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

// One kept property: the key in the file and the property behind it. The key
// is made a QString once, as QSettings takes it on every load and save.
template <class G> struct IniKey {
    QString key;
    const char* property;
    QVariant (*save)(const G&);
    void (*load)(G&, const QVariant&);
    bool keepOnEmptyText;
};

template <class G, class T, auto Get, auto Set>
void addKey(std::vector<IniKey<G>>& table, KeyColumn column, const char* property)
{
    table.push_back({ QString::fromLatin1(column.name), property, [](const G& g) { return toStored<T>((g.*Get)()); },
        [](G& g, const QVariant& v) { (g.*Set)(fromStored<T>(v)); }, column.keepOnEmptyText });
}

template <class G, class T, auto Get, auto Set> void addKey(std::vector<IniKey<G>>&, NoKeyType, const char*) { }

// A class's kept properties in field order, the order they are read and
// written in; empty for a class whose rows name no key.
#define CV_KEY_TABLE_DECLARE(Class) const std::vector<IniKey<Class>>& keyTable(const Class*);
CV_SETTINGS_CLASSES(CV_KEY_TABLE_DECLARE)
#undef CV_KEY_TABLE_DECLARE

} // namespace cvsettings::detail
