#pragma once

#include "cvsettings_export.h"

#include <QObject>
#include <QString>

struct OmsUrlConfigPrivate;

/// Addresses of the web pages the client opens, read from "omsurl.data".
class CVSETTINGS_EXPORT OmsUrlConfig : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString plan READ plan WRITE setPlan NOTIFY planChanged)
    Q_PROPERTY(QString updatePlan READ updatePlan WRITE setUpdatePlan NOTIFY updatePlanChanged)
    Q_PROPERTY(QString signup READ signup WRITE setSignup NOTIFY signupChanged)
    Q_PROPERTY(QString forgotPassword READ forgotPassword WRITE setForgotPassword NOTIFY forgotPasswordChanged)
    Q_PROPERTY(QString help READ help WRITE setHelp NOTIFY helpChanged)
    Q_PROPERTY(QString webinarSchedule READ webinarSchedule WRITE setWebinarSchedule NOTIFY webinarScheduleChanged)
    Q_PROPERTY(QString webinarLearnMore READ webinarLearnMore WRITE setWebinarLearnMore NOTIFY webinarLearnMoreChanged)
    Q_PROPERTY(
        QString webinarDetailMore READ webinarDetailMore WRITE setWebinarDetailMore NOTIFY webinarDetailMoreChanged)
    Q_PROPERTY(QString recordListUrl READ recordListUrl WRITE setRecordListUrl NOTIFY recordListUrlChanged)
    Q_PROPERTY(QString storageUrl READ storageUrl WRITE setStorageUrl NOTIFY storageUrlChanged)

public:
    explicit OmsUrlConfig(QObject* parent = nullptr);
    OmsUrlConfig(const OmsUrlConfig& other);
    OmsUrlConfig& operator=(const OmsUrlConfig& other);
    ~OmsUrlConfig() override;

    const QString& plan() const;
    const QString& updatePlan() const;
    const QString& signup() const;
    const QString& forgotPassword() const;
    const QString& help() const;
    const QString& webinarSchedule() const;
    const QString& webinarLearnMore() const;
    const QString& webinarDetailMore() const;
    const QString& recordListUrl() const;
    const QString& storageUrl() const;

    void setPlan(const QString& plan);
    void setUpdatePlan(const QString& updatePlan);
    void setSignup(const QString& signup);
    void setForgotPassword(const QString& forgotPassword);
    void setHelp(const QString& help);
    void setWebinarSchedule(const QString& webinarSchedule);
    void setWebinarLearnMore(const QString& webinarLearnMore);
    void setWebinarDetailMore(const QString& webinarDetailMore);
    void setRecordListUrl(const QString& recordListUrl);
    void setStorageUrl(const QString& storageUrl);

signals:
    void planChanged(const QString& url);
    void updatePlanChanged(const QString& url);
    void signupChanged(const QString& url);
    void forgotPasswordChanged(const QString& url);
    void helpChanged(const QString& url);
    void webinarScheduleChanged(const QString& url);
    void webinarLearnMoreChanged(const QString& url);
    void webinarDetailMoreChanged(const QString& url);
    void recordListUrlChanged(const QString& url);
    void storageUrlChanged(const QString& url);

private:
    OmsUrlConfigPrivate* const d;
};
