#pragma once

#include "cvsettings_export.h"

#include <QObject>

struct VideoSettingVideoPrivate;

/// One camera profile: device, picture size, frame rate, bit rate, key-frame interval, encoder,
/// analogue standard, denoise and flip.
class CVSETTINGS_EXPORT VideoSettingVideo : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int devId READ devId WRITE setDevId NOTIFY devIdChanged)
    Q_PROPERTY(bool autoAdjust READ autoAdjust WRITE setAutoAdjust NOTIFY autoAdjustChanged)
    Q_PROPERTY(int bitrate READ bitrate WRITE setBitrate NOTIFY bitrateChanged)
    Q_PROPERTY(int framerate READ framerate WRITE setFramerate NOTIFY framerateChanged)
    Q_PROPERTY(int keyframeInterval READ keyframeInterval WRITE setKeyframeInterval NOTIFY keyframeIntervalChanged)
    Q_PROPERTY(int encoderId READ encoderId WRITE setEncoderId NOTIFY encoderIdChanged)
    Q_PROPERTY(VideoEncoderMode encoderMode READ encoderMode WRITE setEncoderMode NOTIFY encoderModeChanged)
    Q_PROPERTY(int vbrQuality READ vbrQuality WRITE setVbrQuality NOTIFY vbrQualityChanged)
    Q_PROPERTY(int width READ width WRITE setWidth NOTIFY widthChanged)
    Q_PROPERTY(int height READ height WRITE setHeight NOTIFY heightChanged)
    Q_PROPERTY(int inputIndex READ inputIndex WRITE setInputIndex NOTIFY inputIndexChanged)
    Q_PROPERTY(VideoStandard standard READ standard WRITE setStandard NOTIFY standardChanged)
    Q_PROPERTY(bool denoise READ denoise WRITE setDenoise NOTIFY denoiseChanged)
    Q_PROPERTY(bool flip READ flip WRITE setFlip NOTIFY flipChanged)
    Q_ENUMS(VideoEncoderMode VideoStandard)

public:
    // Held as 32-bit values; any int is accepted, named or not, so the fixed
    // underlying type keeps the values between the enumerators defined.
    enum VideoEncoderMode : int {
        ENCODERMODE_VBR = 0,
        ENCODERMODE_CBR = 1,
        ENCODERMODE_ABR = 2,
    };

    enum VideoStandard : int {
        VIDEOSTANDARD_PAL = 1,
        VIDEOSTANDARD_NTSC = 2,
        VIDEOSTANDARD_SECAM = 3,
    };

    explicit VideoSettingVideo(QObject* parent = nullptr);
    VideoSettingVideo(const VideoSettingVideo& other);
    VideoSettingVideo& operator=(const VideoSettingVideo& other);
    ~VideoSettingVideo() override;

    int devId() const;
    bool autoAdjust() const;
    int bitrate() const;
    int framerate() const;
    int keyframeInterval() const;
    int encoderId() const;
    VideoEncoderMode encoderMode() const;
    int vbrQuality() const;
    int width() const;
    int height() const;
    int inputIndex() const;
    VideoStandard standard() const;
    bool denoise() const;
    bool flip() const;

    void setDevId(int devId);
    void setAutoAdjust(bool autoAdjust);
    void setBitrate(int bitrate);
    void setFramerate(int framerate);
    void setKeyframeInterval(int keyframeInterval);
    void setEncoderId(int encoderId);
    void setEncoderMode(VideoEncoderMode encoderMode);
    void setVbrQuality(int vbrQuality);
    void setWidth(int width);
    void setHeight(int height);
    void setInputIndex(int inputIndex);
    void setStandard(VideoStandard standard);
    void setDenoise(bool denoise);
    void setFlip(bool flip);

    // Sets the key-frame interval to twice the frame rate; setFramerate alone
    // leaves the interval as it is.
    void adjustKeyframeInterval();

signals:
    void devIdChanged(int devId);
    void autoAdjustChanged(bool autoAdjust);
    void bitrateChanged(int bitrate);
    void framerateChanged(int framerate);
    void keyframeIntervalChanged(int keyframeInterval);
    void encoderIdChanged(int encoderId);
    void encoderModeChanged(VideoEncoderMode encoderMode);
    void vbrQualityChanged(int vbrQuality);
    void widthChanged(int width);
    void heightChanged(int height);
    void inputIndexChanged(int inputIndex);
    void standardChanged(VideoStandard standard);
    void denoiseChanged(bool denoise);
    void flipChanged(bool flip);

private:
    VideoSettingVideoPrivate* const d;
};
