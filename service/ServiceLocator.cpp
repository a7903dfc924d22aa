#include "service/ServiceLocator.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>

#include <unistd.h>

namespace {
// sun_path holds 108 bytes with the terminating zero.
constexpr int MaxSocketPathBytes = 107;

bool isPlain(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ':' || c == '_' ||
           c == '.';
}
} // namespace

QString ServiceLocator::canonicalFolder(const QString& folder)
{
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(QDir(folder).absolutePath()) : canonical;
}

QString ServiceLocator::lockPath(const QString& folder)
{
    return canonicalFolder(folder) + QStringLiteral("/rdx480d.lock");
}

QString ServiceLocator::runtimeDir()
{
    QString base = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (base.isEmpty())
        base = QStringLiteral("/run/user/%1").arg(::getuid());
    return base + QStringLiteral("/rdx480");
}

QString ServiceLocator::escapePath(const QString& path)
{
    QByteArray trimmed = QDir::cleanPath(path).toUtf8();
    while (trimmed.startsWith('/'))
        trimmed.remove(0, 1);
    while (trimmed.endsWith('/'))
        trimmed.chop(1);
    if (trimmed.isEmpty())
        return QStringLiteral("-");
    QString escaped;
    for (int i = 0; i < trimmed.size(); ++i) {
        const char c = trimmed.at(i);
        if (c == '/')
            escaped += QLatin1Char('-');
        else if (isPlain(c) && !(i == 0 && c == '.'))
            escaped += QLatin1Char(c);
        else
            escaped += QStringLiteral("\\x%1").arg(uchar(c), 2, 16, QLatin1Char('0'));
    }
    return escaped;
}

QString ServiceLocator::socketPath(const QString& folder)
{
    const QString canonical = canonicalFolder(folder);
    const QString path = runtimeDir() + QLatin1Char('/') + escapePath(canonical) + QStringLiteral(".sock");
    if (path.toUtf8().size() <= MaxSocketPathBytes)
        return path;
    const QByteArray hash = QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha1).toHex().left(20);
    return runtimeDir() + QStringLiteral("/folder-") + QString::fromLatin1(hash) + QStringLiteral(".sock");
}

bool ServiceLocator::isRunning(const QString& folder, qint64* pid)
{
    const QString path = lockPath(folder);
    if (!QFileInfo::exists(path))
        return false;
    QLockFile lock(path);
    lock.setStaleLockTime(0);
    if (lock.tryLock(0)) {
        // A lock left by a service that died: ours now, and gone again.
        lock.unlock();
        return false;
    }
    if (lock.error() != QLockFile::LockFailedError)
        return false;
    if (pid) {
        QString host, app;
        if (!lock.getLockInfo(pid, &host, &app))
            *pid = -1;
    }
    return true;
}
