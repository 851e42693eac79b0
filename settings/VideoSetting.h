#pragma once

#include "VideoSettingVideo.h"
#include "cvsettings_export.h"

#include <QList>
#include <QObject>

struct VideoSettingPrivate;

/// The default camera and the list of camera profiles.
class CVSETTINGS_EXPORT VideoSetting : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int defaultDevIndex READ defaultDevIndex WRITE setDefaultDevIndex NOTIFY defaultDevIndexChanged)
    Q_PROPERTY(QList<VideoSettingVideo> videos READ videos WRITE setVideos NOTIFY videosChanged)

public:
    explicit VideoSetting(QObject* parent = nullptr);
    VideoSetting(const VideoSetting& other);
    VideoSetting& operator=(const VideoSetting& other);
    ~VideoSetting() override;

    int defaultDevIndex() const;
    const QList<VideoSettingVideo>& videos() const;

    void setDefaultDevIndex(int defaultDevIndex);
    void setVideos(const QList<VideoSettingVideo>& videos);

signals:
    void defaultDevIndexChanged(int defaultDevIndex);
    void videosChanged(const QList<VideoSettingVideo>& videos);

private:
    VideoSettingPrivate* const d;
};
