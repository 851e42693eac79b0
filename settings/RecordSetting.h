#pragma once

#include "cvsettings_export.h"

#include <QObject>
#include <QString>

struct RecordSettingPrivate;

/// What a recording captures, where recordings go, the recording frame rate and the largest file
/// size.
class CVSETTINGS_EXPORT RecordSetting : public QObject
{
    Q_OBJECT
    Q_PROPERTY(RecordType recordType READ recordType WRITE setRecordType NOTIFY recordTypeChanged)
    Q_PROPERTY(QString recordPath READ recordPath WRITE setRecordPath NOTIFY recordPathChanged)
    Q_PROPERTY(int videoFramerate READ videoFramerate WRITE setVideoFramerate NOTIFY videoFramerateChanged)
    Q_PROPERTY(int maxFileSize READ maxFileSize WRITE setMaxFileSize NOTIFY maxFileSizeChanged)
    Q_ENUMS(RecordType)

public:
    enum RecordType : int { // read from the settings file as any int
        VideoAndAudio = 0,
        Audio = 1,
    };

    explicit RecordSetting(QObject* parent = nullptr);
    RecordSetting(const RecordSetting& other);
    RecordSetting& operator=(const RecordSetting& other);
    ~RecordSetting() override;

    RecordType recordType() const;
    const QString& recordPath() const;
    int videoFramerate() const;
    int maxFileSize() const;

    void setRecordType(RecordType recordType);
    void setRecordPath(const QString& recordPath);
    void setVideoFramerate(int videoFramerate);
    void setMaxFileSize(int maxFileSize);

signals:
    void recordTypeChanged(RecordType recordType);
    void recordPathChanged(const QString& recordPath);
    void videoFramerateChanged(int videoFramerate);
    void maxFileSizeChanged(int maxFileSize);

private:
    RecordSettingPrivate* const d;
};
