#pragma once

// Enumerations shared across the client's modules. The settings library holds
// and stores them as plain 32-bit integers and registers them with no
// meta-object.
namespace Corvane {

enum ClientLanguage : int {
    LanguageEnglish = 0,
    LanguageSimplifiedChinese = 1,
    LanguageTraditionalChinese = 2,
    LanguageJapanese = 3,
};

enum UserPaltform : int {
    PaltformUnknown = 0,
    PaltformCorvane = 1, // an account of the client's own service
    PaltformGoogle = 2,
    PaltformFacebook = 3,
    PaltformOutlook = 4,
};

} // namespace Corvane
