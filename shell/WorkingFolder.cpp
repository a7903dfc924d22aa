#include "shell/WorkingFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstdio>
#include <sys/stat.h>

QString WorkingFolder::userFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/rdx480");
}

bool WorkingFolder::enter(const QString& path)
{
    // Parents the panel makes (~/.config on a fresh account) get the usual permissions; only its own
    // folder is closed.
    const QString absolute = QDir::cleanPath(QDir::current().absoluteFilePath(path));
    bool created = false;
    if (!path.isEmpty() && !QFileInfo(absolute).exists()) {
        created =
            QDir().mkpath(QFileInfo(absolute).path()) && ::mkdir(QFile::encodeName(absolute).constData(), S_IRWXU) == 0;
    }
    if (path.isEmpty() || (!created && !QFileInfo(absolute).isDir()) || !QDir::setCurrent(absolute)) {
        std::fputs(
            QStringLiteral("rdx480: cannot work in %1\n").arg(QDir::toNativeSeparators(path)).toLocal8Bit().constData(),
            stderr);
        return false;
    }
    return true;
}
