#pragma once

// The client's shared enumerations as Qt types: registered under their own
// names, and named by a meta-object. What shows or edits settings (cvconf,
// the QML module, the tests) builds this in; the settings library never does,
// and keeps the enumerations as plain integers.

#include "Corvane.h"

#include <QMetaEnum>
#include <QMetaType>
#include <QObject>

Q_DECLARE_METATYPE(Corvane::ClientLanguage)
Q_DECLARE_METATYPE(Corvane::UserPaltform)

// The meta-object of the shared enumerations: each enumerator takes its value
// from Corvane.h by the same name, so a name that the header does not spell
// this way does not build. cvconf lists them by name.
namespace CorvaneEnums {
Q_NAMESPACE

enum ClientLanguage {
    LanguageEnglish = Corvane::LanguageEnglish,
    LanguageSimplifiedChinese = Corvane::LanguageSimplifiedChinese,
    LanguageTraditionalChinese = Corvane::LanguageTraditionalChinese,
    LanguageJapanese = Corvane::LanguageJapanese,
};
Q_ENUM_NS(ClientLanguage)

enum UserPaltform {
    PaltformUnknown = Corvane::PaltformUnknown,
    PaltformCorvane = Corvane::PaltformCorvane,
    PaltformGoogle = Corvane::PaltformGoogle,
    PaltformFacebook = Corvane::PaltformFacebook,
    PaltformOutlook = Corvane::PaltformOutlook,
};
Q_ENUM_NS(UserPaltform)

// Registers Corvane::ClientLanguage and Corvane::UserPaltform under those
// names. Safe to call more than once, and after the application registered
// the types itself.
void registerTypes();

// The enumerators of the shared enumeration registered as `typeName`
// ("Corvane::ClientLanguage"); invalid for any other name.
QMetaEnum enumeration(const QByteArray& typeName);

} // namespace CorvaneEnums
