#pragma once

#include "cvsettings_export.h"

#include <QObject>

struct ShareSettingPrivate;

/// Screen-sharing choices.
class CVSETTINGS_EXPORT ShareSetting : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isHideCorvaneWin READ isHideCorvaneWin WRITE setIsHideCorvaneWin NOTIFY isHideCorvaneWinChanged)
    Q_PROPERTY(bool isShareSound READ isShareSound WRITE setIsShareSound NOTIFY isShareSoundChanged)

public:
    explicit ShareSetting(QObject* parent = nullptr);
    ShareSetting(const ShareSetting& other);
    ShareSetting& operator=(const ShareSetting& other);
    ~ShareSetting() override;

    bool isHideCorvaneWin() const;
    bool isShareSound() const;

    void setIsHideCorvaneWin(bool isHideCorvaneWin);
    void setIsShareSound(bool isShareSound);

signals:
    void isHideCorvaneWinChanged(bool isHideCorvaneWin);
    void isShareSoundChanged(bool isShareSound);

private:
    ShareSettingPrivate* const d;
};
