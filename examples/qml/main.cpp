// Starts the example settings screen the way a client would: create the one
// ConfigMgr, load it, then let QML reach it through `import Corvane.Settings`.
// With --grab FILE it saves the first rendered frame into FILE (PNG) and exits:
// the README's picture, made with QT_QPA_PLATFORM=offscreen and
// QT_QUICK_BACKEND=software (the target settings-screen-picture).
#include "ConfigMgr.h"

#include <QCommandLineParser>
#include <QGuiApplication>
#include <QPixmap>
#include <QQmlApplicationEngine>
#include <QQuickWindow>
#include <QScreen>
#include <QTimer>

#include <cstdio>

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    QCommandLineParser options;
    options.addHelpOption();
    const QCommandLineOption grab("grab", "Save the first rendered frame to <file> and exit.", "file");
    options.addOption(grab);
    options.process(app);

    ConfigMgr::createInstance()->loadConfig();
    int status = 0;
    {
        QQmlApplicationEngine engine;
        // A picture of a screen with errors is no picture: any QML warning fails the grab.
        if (options.isSet(grab))
            QObject::connect(&engine, &QQmlEngine::warnings, [&status] { status = 1; });
        // The build tree's module; an installed one is found on the usual import path.
        engine.addImportPath(QStringLiteral(CV_QML_IMPORT_DIR));
        engine.load(QUrl(QStringLiteral("qrc:/SettingsScreen.qml")));
        auto* window
            = engine.rootObjects().isEmpty() ? nullptr : qobject_cast<QQuickWindow*>(engine.rootObjects().first());
        if (!window) {
            std::fprintf(stderr, "settings-screen: the screen did not load\n");
            status = 1;
        } else if (options.isSet(grab)) {
            const QString file = options.value(grab);
            QObject::connect(window, &QQuickWindow::frameSwapped, &app, [&] {
                QTimer::singleShot(0, &app, [&] {
                    // The software renderer draws into the window's backing store,
                    // which the offscreen platform keeps and its screen grabs.
                    if (!window->screen()->grabWindow(window->winId()).save(file, "PNG")) {
                        std::fprintf(stderr, "settings-screen: cannot write %s\n", qPrintable(file));
                        status = 1;
                    }
                    app.quit();
                });
            });
        }
        if (window && status == 0) {
            const int result = app.exec();
            status = status ? status : result;
        }
    }
    ConfigMgr::destroyInstance();
    return status;
}
