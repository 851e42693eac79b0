#pragma once

#include "Corvane.h"
#include "cvsettings_export.h"

#include <QObject>

struct NormalSettingPrivate;

/// General preferences: start with the system, sign in automatically, client language.
class CVSETTINGS_EXPORT NormalSetting : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool autoRun READ autoRun WRITE setAutoRun NOTIFY autoRunChanged)
    Q_PROPERTY(bool autoLogin READ autoLogin WRITE setAutoLogin NOTIFY autoLoginChanged)
    Q_PROPERTY(Corvane::ClientLanguage language READ language WRITE setLanguage NOTIFY languageChanged)

public:
    explicit NormalSetting(QObject* parent = nullptr);
    NormalSetting(const NormalSetting& other);
    NormalSetting& operator=(const NormalSetting& other);
    ~NormalSetting() override;

    bool autoRun() const;
    bool autoLogin() const;
    Corvane::ClientLanguage language() const;

    void setAutoRun(bool autoRun);
    void setAutoLogin(bool autoLogin);
    void setLanguage(Corvane::ClientLanguage language);

signals:
    void autoRunChanged(bool autoRun);
    void autoLoginChanged(bool atuoLogin);
    void languageChanged(Corvane::ClientLanguage language);

private:
    NormalSettingPrivate* const d;
};
