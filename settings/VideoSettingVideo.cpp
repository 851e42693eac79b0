#include "VideoSettingVideo.h"

#include "SettingsObject_p.h"

// Field order: the order in which assignment compares, stores and signals.
// clang-format off
CV_SETTINGS_CLASS(VideoSettingVideo,
    (int,                                 devId,            DevId,            0),
    (bool,                                autoAdjust,       AutoAdjust,       true),
    (int,                                 framerate,        Framerate,        15),
    (int,                                 bitrate,          Bitrate,          359700),
    (int,                                 keyframeInterval, KeyframeInterval, 30),
    (int,                                 encoderId,        EncoderId,        3),
    (VideoSettingVideo::VideoEncoderMode, encoderMode,      EncoderMode,      VideoSettingVideo::ENCODERMODE_ABR),
    (int,                                 vbrQuality,       VbrQuality,       80),
    (int,                                 width,            Width,            640),
    (int,                                 height,           Height,           480),
    (int,                                 inputIndex,       InputIndex,       0),
    (VideoSettingVideo::VideoStandard,    standard,         Standard,         VideoSettingVideo::VIDEOSTANDARD_PAL),
    (bool,                                denoise,          Denoise,          true),
    (bool,                                flip,             Flip,             false))
// clang-format on

void VideoSettingVideo::adjustKeyframeInterval()
{
    // Wraps like the 32-bit arithmetic it mirrors instead of overflowing.
    setKeyframeInterval(static_cast<int>(static_cast<unsigned>(d->framerate) * 2u));
}
