// Runs the QML test cases against the application's one manager, loaded from
// the sample product files beside this executable and a settings file in a
// home folder of its own. With CV_QML_CLIENT_TYPES set, the application
// registers the client's shared enumerations itself before QML starts, as a
// client naturally would; the cases expect the same either way.
#include "ConfigMgr.h"
#include "Corvane.h"

#include <QMetaType>
#include <QQmlContext>
#include <QQmlEngine>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtQuickTest>

class Setup : public QObject
{
    Q_OBJECT

public slots:
    void applicationAvailable()
    {
        const QByteArray home = QFile::encodeName(m_home.path());
        qputenv("HOME", home);
        qputenv("XDG_DATA_HOME", home + "/.local/share");
        qputenv("XDG_CONFIG_HOME", home + "/.config");
        QStandardPaths::setTestModeEnabled(true);
        if (qEnvironmentVariableIsSet("CV_QML_CLIENT_TYPES")) {
            qRegisterMetaType<Corvane::ClientLanguage>("Corvane::ClientLanguage");
            qRegisterMetaType<Corvane::UserPaltform>("Corvane::UserPaltform");
        }
        ConfigMgr::createInstance()->loadConfig();
    }
    void qmlEngineAvailable(QQmlEngine* engine)
    {
        engine->addImportPath(QStringLiteral(CV_QML_IMPORT_DIR));
        engine->rootContext()->setContextProperty(QStringLiteral("qtMajor"), QT_VERSION_MAJOR);
    }
    void cleanupTestCase() { ConfigMgr::destroyInstance(); }

private:
    QTemporaryDir m_home;
};

QUICK_TEST_MAIN_WITH_SETUP(qml, Setup)

#include "main.moc"
