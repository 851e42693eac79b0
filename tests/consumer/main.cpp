// Uses the installed headers and shared library the way the client does:
// construct, copy, bind to a change signal, assign back.
#include <RecordSetting.h>
#include <cvsettings/VideoSetting.h> // both include forms

#include <QCoreApplication>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    RecordSetting held;
    int emitted = 0;
    QObject::connect(&held, &RecordSetting::videoFramerateChanged, [&](int) { ++emitted; });
    RecordSetting copy(held);
    copy.setVideoFramerate(10);
    held = copy;
    VideoSetting video;
    video.setVideos({ VideoSettingVideo() });
    return held.videoFramerate() == 10 && emitted == 1 && video.videos().size() == 1 ? 0 : 1;
}
