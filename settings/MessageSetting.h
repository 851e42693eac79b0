#pragma once

#include "cvsettings_export.h"

#include <QObject>

struct MessageSettingPrivate;

/// How a new message is announced.
class CVSETTINGS_EXPORT MessageSetting : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool flashIcon READ flashIcon WRITE setFlashIcon NOTIFY flashIconChanged)
    Q_PROPERTY(bool playSound READ playSound WRITE setPlaySound NOTIFY playSoundChanged)

public:
    explicit MessageSetting(QObject* parent = nullptr);
    MessageSetting(const MessageSetting& other);
    MessageSetting& operator=(const MessageSetting& other);
    ~MessageSetting() override;

    bool flashIcon() const;
    bool playSound() const;

    void setFlashIcon(bool flashIcon);
    void setPlaySound(bool playSound);

signals:
    void flashIconChanged(bool flashIcon);
    void playSoundChanged(bool playSound);

private:
    MessageSettingPrivate* const d;
};
