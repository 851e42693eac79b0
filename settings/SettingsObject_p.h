#pragma once

// The one pattern behind every settings class, written once.
//
// A class's source describes its fields in field order, one row each:
//     CV_SETTINGS_CLASS(NormalSetting,
//         (bool, autoRun, AutoRun, false, Key("AutoRun")),
//         ...)
// A row is (type, property, Setter suffix, default value[, key]); the key
// column says how the property is kept in the settings file (see
// SettingsKeys_p.h) and may be left out where it is not. The macro expands
// the rows into the private record, the constructors, the field-by-field
// assignment, a getter and a compare-store-emit setter per field, and the
// class's key table. The public header keeps the hand-written Q_PROPERTY and
// signal declarations that moc reads. A type with a comma in it needs an alias;
// a class has at most 20 rows (CV_FOR_EACH_FIELD_20 below).

#include "SettingsKeys_p.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QString>

#include <type_traits>

namespace cvsettings::detail {

// Strings and containers travel by const reference, everything else by value.
template <class T> using Arg = std::conditional_t<std::is_class_v<T>, const T&, T>;

template <class T> struct AlwaysEmits : std::false_type { };
template <class T> struct AlwaysEmits<QList<T>> : std::true_type { };
template <class K, class V> struct AlwaysEmits<QMap<K, V>> : std::true_type { };

// Compare, store, then emit, so a directly connected receiver reads the new
// value. Container fields store without comparing and always emit: a list of
// QObject values has no meaningful equality, and clients rely on the signal.
template <class Obj, class T, class Signal> void store(Obj* obj, T& field, Arg<T> value, Signal signal)
{
    if constexpr (AlwaysEmits<T>::value) {
        field = value; // assigning the very same shared data is a no-op
    } else {
        if (field == value)
            return;
        field = value;
    }
    emit(obj->*signal)(field);
}

} // namespace cvsettings::detail

// CV_FOR_EACH_FIELD(M, Class, rows...) calls M(Class, type, name, Name, init,
// key, ...) for each row in turn; a row without a key column gets NoKey.
#define CV_PP_CAT(a, b) CV_PP_CAT_(a, b)
#define CV_PP_CAT_(a, b) a##b
#define CV_PP_CALL(M, args) M args
#define CV_PP_UNPAREN(...) __VA_ARGS__
#define CV_PP_COUNT(...) \
    CV_PP_COUNT_(__VA_ARGS__, 20, 19, 18, 17, 16, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, )
#define CV_PP_COUNT_(                                                                                  \
    _1, _2, _3, _4, _5, _6, _7, _8, _9, _10, _11, _12, _13, _14, _15, _16, _17, _18, _19, _20, n, ...) \
    n
#define CV_FIELD_ROW(M, C, row) CV_FIELD_ROW_(M, C, CV_PP_UNPAREN row)
#define CV_FIELD_ROW_(M, C, ...) CV_PP_CALL(M, (C, __VA_ARGS__, NoKey, ~))
#define CV_FOR_EACH_FIELD(M, C, ...) CV_PP_CAT(CV_FOR_EACH_FIELD_, CV_PP_COUNT(__VA_ARGS__))(M, C, __VA_ARGS__)
#define CV_FOR_EACH_FIELD_1(M, C, r) CV_FIELD_ROW(M, C, r)
#define CV_FOR_EACH_FIELD_2(M, C, r, ...) CV_FIELD_ROW(M, C, r) CV_FOR_EACH_FIELD_1(M, C, __VA_ARGS__)
#define CV_FOR_EACH_FIELD_3(M, C, r, ...) CV_FIELD_ROW(M, C, r) CV_FOR_EACH_FIELD_2(M, C, __VA_ARGS__)
#define CV_FOR_EACH_FIELD_4(M, C, r, ...) CV_FIELD_ROW(M, C, r) CV_FOR_EACH_FIELD_3(M, C, __VA_ARGS__)
#define CV_FOR_EACH_FIELD_5(M, C, r, ...) CV_FIELD_ROW(M, C, r) CV_FOR_EACH_FIELD_4(M, C, __VA_ARGS__)
#define CV_FOR_EACH_FIELD_6(M, C, r, ...) CV_FIELD_ROW(M, C, r) CV_FOR_EACH_FIELD_5(M, C, __VA_ARGS__)
#define CV_FOR_EACH_FIELD_7(M, C, r, ...) CV_FIELD_ROW(M, C, r) CV_FOR_EACH_FIELD_6(M, C, __VA_ARGS__)
#define CV_FOR_EACH_FIELD_8(M, C, r, ...) CV_FIELD_ROW(M, C, r) CV_FOR_EACH_FIELD_7(M, C, __VA_ARGS__)
#define CV_FOR_EACH_FIELD_9(M, C, r, ...) CV_FIELD_ROW(M, C, r) CV_FOR_EACH_FIELD_8(M, C, __VA_ARGS__)
#define CV_FOR_EACH_FIELD_10(M, C, r, ...) CV_FIELD_ROW(M, C, r) CV_FOR_EACH_FIELD_9(M, C, __VA_ARGS__)
#define CV_FOR_EACH_FIELD_11(M, C, r, ...) CV_FIELD_ROW(M, C, r) CV_FOR_EACH_FIELD_10(M, C, __VA_ARGS__)
#define CV_FOR_EACH_FIELD_12(M, C, r, ...) CV_FIELD_ROW(M, C, r) CV_FOR_EACH_FIELD_11(M, C, __VA_ARGS__)
#define CV_FOR_EACH_FIELD_13(M, C, r, ...) CV_FIELD_ROW(M, C, r) CV_FOR_EACH_FIELD_12(M, C, __VA_ARGS__)
#define CV_FOR_EACH_FIELD_14(M, C, r, ...) CV_FIELD_ROW(M, C, r) CV_FOR_EACH_FIELD_13(M, C, __VA_ARGS__)
#define CV_FOR_EACH_FIELD_15(M, C, r, ...) CV_FIELD_ROW(M, C, r) CV_FOR_EACH_FIELD_14(M, C, __VA_ARGS__)
#define CV_FOR_EACH_FIELD_16(M, C, r, ...) CV_FIELD_ROW(M, C, r) CV_FOR_EACH_FIELD_15(M, C, __VA_ARGS__)
#define CV_FOR_EACH_FIELD_17(M, C, r, ...) CV_FIELD_ROW(M, C, r) CV_FOR_EACH_FIELD_16(M, C, __VA_ARGS__)
#define CV_FOR_EACH_FIELD_18(M, C, r, ...) CV_FIELD_ROW(M, C, r) CV_FOR_EACH_FIELD_17(M, C, __VA_ARGS__)
#define CV_FOR_EACH_FIELD_19(M, C, r, ...) CV_FIELD_ROW(M, C, r) CV_FOR_EACH_FIELD_18(M, C, __VA_ARGS__)
#define CV_FOR_EACH_FIELD_20(M, C, r, ...) CV_FIELD_ROW(M, C, r) CV_FOR_EACH_FIELD_19(M, C, __VA_ARGS__)

#define CV_SETTINGS_FIELD_DECL(C, type, name, Name, init, ...) type name = init;
#define CV_SETTINGS_FIELD_ASSIGN(C, type, name, Name, init, ...) \
    cvsettings::detail::store<C, type>(this, d->name, other.d->name, &C::name##Changed);
#define CV_SETTINGS_FIELD_ACCESSORS(C, type, name, Name, init, ...)                  \
    cvsettings::detail::Arg<type> C::name() const { return d->name; }                \
    void C::set##Name(cvsettings::detail::Arg<type> value)                           \
    {                                                                                \
        cvsettings::detail::store<C, type>(this, d->name, value, &C::name##Changed); \
    }
#define CV_SETTINGS_FIELD_KEY(C, type, name, Name, init, key, ...) \
    cvsettings::detail::addKey<C, type, &C::name, &C::set##Name>(table, cvsettings::detail::key, #name);

// Private record, construction, copy (no parent, no connections, no signals),
// assignment (field order, one signal per differing field), destruction, the
// accessors and the key table.
#define CV_SETTINGS_CLASS(Class, ...)                                                                \
    struct Class##Private {                                                                          \
        CV_FOR_EACH_FIELD(CV_SETTINGS_FIELD_DECL, Class, __VA_ARGS__)                                \
    };                                                                                               \
    Class::Class(QObject* parent)                                                                    \
        : QObject(parent)                                                                            \
        , d(new Class##Private)                                                                      \
    { }                                                                                              \
    Class::Class(const Class& other)                                                                 \
        : QObject(nullptr)                                                                           \
        , d(new Class##Private)                                                                      \
    {                                                                                                \
        *d = *other.d;                                                                               \
    }                                                                                                \
    Class& Class::operator=(const Class& other)                                                      \
    {                                                                                                \
        if (&other != this) {                                                                        \
            CV_FOR_EACH_FIELD(CV_SETTINGS_FIELD_ASSIGN, Class, __VA_ARGS__)                          \
        }                                                                                            \
        return *this;                                                                                \
    }                                                                                                \
    Class::~Class() { delete d; }                                                                    \
    CV_FOR_EACH_FIELD(CV_SETTINGS_FIELD_ACCESSORS, Class, __VA_ARGS__)                               \
    const std::vector<cvsettings::detail::IniKey<Class>>& cvsettings::detail::keyTable(const Class*) \
    {                                                                                                \
        static const std::vector<IniKey<Class>> kept = [] {                                          \
            std::vector<IniKey<Class>> table;                                                        \
            CV_FOR_EACH_FIELD(CV_SETTINGS_FIELD_KEY, Class, __VA_ARGS__)                             \
            return table;                                                                            \
        }();                                                                                         \
        return kept;                                                                                 \
    }
