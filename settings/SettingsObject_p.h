#pragma once

// The one pattern behind every settings class, written once.
//
// A class's source lists its fields in field order as an X-macro table,
//     #define AUDIO_SETTING_FIELDS(F) F(bool, autoAdjust, AutoAdjust, true) ...
// and CV_SETTINGS_CLASS(AudioSetting, AUDIO_SETTING_FIELDS) expands it into the
// private record, the constructors, the field-by-field assignment, and a
// getter and a compare-store-emit setter per field. The public header keeps
// the hand-written Q_PROPERTY and signal declarations that moc reads.

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

#define CV_SETTINGS_FIELD_DECL(type, name, Name, init) type name = init;
#define CV_SETTINGS_FIELD_ASSIGN(type, name, Name, init) \
    cvsettings::detail::store<ThisClass, type>(this, d->name, other.d->name, &ThisClass::name##Changed);
#define CV_SETTINGS_FIELD_ACCESSORS(type, name, Name, init)                                          \
    cvsettings::detail::Arg<type> ThisClass::name() const { return d->name; }                        \
    void ThisClass::set##Name(cvsettings::detail::Arg<type> value)                                   \
    {                                                                                                \
        cvsettings::detail::store<ThisClass, type>(this, d->name, value, &ThisClass::name##Changed); \
    }

// Private record, construction, copy (no parent, no connections, no signals),
// assignment (field order, one signal per differing field), destruction.
#define CV_SETTINGS_CLASS(Class, FIELDS)        \
    struct Class##Private {                     \
        FIELDS(CV_SETTINGS_FIELD_DECL)          \
    };                                          \
    namespace {                                 \
    using ThisClass = Class;                    \
    }                                           \
    Class::Class(QObject* parent)               \
        : QObject(parent)                       \
        , d(new Class##Private)                 \
    { }                                         \
    Class::Class(const Class& other)            \
        : QObject(nullptr)                      \
        , d(new Class##Private)                 \
    {                                           \
        *d = *other.d;                          \
    }                                           \
    Class& Class::operator=(const Class& other) \
    {                                           \
        if (&other != this) {                   \
            FIELDS(CV_SETTINGS_FIELD_ASSIGN)    \
        }                                       \
        return *this;                           \
    }                                           \
    Class::~Class() { delete d; }               \
    FIELDS(CV_SETTINGS_FIELD_ACCESSORS)
