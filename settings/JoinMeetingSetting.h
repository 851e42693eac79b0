#pragma once

#include "cvsettings_export.h"

#include <QObject>
#include <QString>

struct JoinMeetingSettingPrivate;

/// The values last entered to join a meeting or a webinar.
class CVSETTINGS_EXPORT JoinMeetingSetting : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString meetingNum READ meetingNum WRITE setMeetingNum NOTIFY meetingNumChanged)
    Q_PROPERTY(QString nickname READ nickname WRITE setNickname NOTIFY nicknameChanged)
    Q_PROPERTY(QString email READ email WRITE setEmail NOTIFY emailChanged)
    Q_PROPERTY(QString webinarNum READ webinarNum WRITE setWebinarNum NOTIFY webinarNumChanged)
    Q_PROPERTY(QString webinarFirstName READ webinarFirstName WRITE setWebinarFirstName NOTIFY webinarFirstNameChanged)
    Q_PROPERTY(QString webinarLastName READ webinarLastName WRITE setWebinarLastName NOTIFY webinarLastNameChanged)
    Q_PROPERTY(QString webinarEmail READ webinarEmail WRITE setWebinarEmail NOTIFY webinarEmailChanged)
    Q_PROPERTY(QString webinarCheckCode READ webinarCheckCode WRITE setWebinarCheckCode NOTIFY webinarCheckCodeChanged)

public:
    explicit JoinMeetingSetting(QObject* parent = nullptr);
    JoinMeetingSetting(const JoinMeetingSetting& other);
    JoinMeetingSetting& operator=(const JoinMeetingSetting& other);
    ~JoinMeetingSetting() override;

    const QString& meetingNum() const;
    const QString& nickname() const;
    const QString& email() const;
    const QString& webinarNum() const;
    const QString& webinarFirstName() const;
    const QString& webinarLastName() const;
    const QString& webinarEmail() const;
    const QString& webinarCheckCode() const;

    void setMeetingNum(const QString& meetingNum);
    void setNickname(const QString& nickname);
    void setEmail(const QString& email);
    void setWebinarNum(const QString& webinarNum);
    void setWebinarFirstName(const QString& webinarFirstName);
    void setWebinarLastName(const QString& webinarLastName);
    void setWebinarEmail(const QString& webinarEmail);
    void setWebinarCheckCode(const QString& webinarCheckCode);

signals:
    void meetingNumChanged(const QString& meetingNum);
    void nicknameChanged(const QString& nickname);
    void emailChanged(const QString& email);
    void webinarNumChanged(const QString& strWebinarNum);
    void webinarFirstNameChanged(const QString& webinarFirstName);
    void webinarLastNameChanged(const QString& webinarLastName);
    void webinarEmailChanged(const QString& webinarEmail);
    void webinarCheckCodeChanged(const QString& webinarCheckCode);

private:
    JoinMeetingSettingPrivate* const d;
};
