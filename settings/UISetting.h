#pragma once

#include "cvsettings_export.h"

#include <QObject>
#include <QString>

struct UISettingPrivate;

/// The page that the sign-in window showed last.
class CVSETTINGS_EXPORT UISetting : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString loginWinLastPage READ loginWinLastPage WRITE setLoginWinLastPage NOTIFY loginWinLastPageChanged)

public:
    explicit UISetting(QObject* parent = nullptr);
    UISetting(const UISetting& other);
    UISetting& operator=(const UISetting& other);
    ~UISetting() override;

    const QString& loginWinLastPage() const;

    void setLoginWinLastPage(const QString& loginWinLastPage);

signals:
    void loginWinLastPageChanged(const QString& loginWinLastPage);

private:
    UISettingPrivate* const d;
};
