#include "PathHelper.h"

#include <QDir>
#include <QStandardPaths>

namespace {

QString clientFolder()
{
    static const QString folder = [] {
        const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        const QString path = QDir(base).filePath(QStringLiteral("Corvane"));
        QDir().mkpath(path);
        return path;
    }();
    return folder;
}

} // namespace

QString PathHelper::defaultPathName(const QString& name) { return QDir(clientFolder()).filePath(name); }
