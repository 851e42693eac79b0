#pragma once

#include "cvsettings_export.h"

#include <QObject>

struct ProcessSettingPrivate;

/// A port number for the client's own use.
class CVSETTINGS_EXPORT ProcessSetting : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int port READ port WRITE setPort NOTIFY portChanged)

public:
    explicit ProcessSetting(QObject* parent = nullptr);
    ProcessSetting(const ProcessSetting& other);
    ProcessSetting& operator=(const ProcessSetting& other);
    ~ProcessSetting() override;

    int port() const;

    void setPort(int port);

signals:
    void portChanged(int port);

private:
    ProcessSettingPrivate* const d;
};
