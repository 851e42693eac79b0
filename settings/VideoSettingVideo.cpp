#include "VideoSettingVideo.h"

#include "SettingsObject_p.h"

// Field order: the order in which assignment compares, stores and signals.
#define VIDEO_SETTING_VIDEO_FIELDS(F)                                                                    \
    F(int, devId, DevId, 0)                                                                              \
    F(bool, autoAdjust, AutoAdjust, true)                                                                \
    F(int, framerate, Framerate, 15)                                                                     \
    F(int, bitrate, Bitrate, 359700)                                                                     \
    F(int, keyframeInterval, KeyframeInterval, 30)                                                       \
    F(int, encoderId, EncoderId, 3)                                                                      \
    F(VideoSettingVideo::VideoEncoderMode, encoderMode, EncoderMode, VideoSettingVideo::ENCODERMODE_ABR) \
    F(int, vbrQuality, VbrQuality, 80)                                                                   \
    F(int, width, Width, 640)                                                                            \
    F(int, height, Height, 480)                                                                          \
    F(int, inputIndex, InputIndex, 0)                                                                    \
    F(VideoSettingVideo::VideoStandard, standard, Standard, VideoSettingVideo::VIDEOSTANDARD_PAL)        \
    F(bool, denoise, Denoise, true)                                                                      \
    F(bool, flip, Flip, false)

CV_SETTINGS_CLASS(VideoSettingVideo, VIDEO_SETTING_VIDEO_FIELDS)

void VideoSettingVideo::adjustKeyframeInterval()
{
    // Wraps like the 32-bit arithmetic it mirrors instead of overflowing.
    setKeyframeInterval(static_cast<int>(static_cast<unsigned>(d->framerate) * 2u));
}
