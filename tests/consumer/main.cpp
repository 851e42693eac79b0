// Uses the installed headers and shared library the way the client does:
// construct, copy, bind to a change signal, assign back.
#include <RecordSetting.h>
#include <VideoSetting.h>
#include <VideoSettingVideo.h>

#include <QCoreApplication>
#include <cstdio>

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
    video.setVideos({VideoSettingVideo()});

    std::printf("recordPath=%s framerate=%d emitted=%d videos=%d\n", qPrintable(held.recordPath()),
                held.videoFramerate(), emitted, int(video.videos().size()));
    return held.videoFramerate() == 10 && emitted == 1 && video.videos().size() == 1 ? 0 : 1;
}
