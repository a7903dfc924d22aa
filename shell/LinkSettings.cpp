#include "shell/LinkSettings.h"

#include <QFileInfo>
#include <QLocale>
#include <QLoggingCategory>
#include <QSettings>

#include <cerrno>
#include <sys/statvfs.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcSettings, "rdx480.settings")

namespace {
const QString keyIp = QStringLiteral("IP");
const QString keyPort = QStringLiteral("PORT");
const QString keyPortName = QStringLiteral("PORTNAME");
const QString keyId = QStringLiteral("ID");
const QString keyNetwork = QStringLiteral("NETWORK");
const QString keyLanguage = QStringLiteral("LANGUAGE");

// An empty or missing key gives the default; any other text goes through toInt, so "abc" reads as 0.
int readInt(const QSettings& file, const QString& key, int fallback)
{
    const QVariant value = file.value(key);
    return value.toString().isEmpty() ? fallback : value.toInt();
}
} // namespace

LinkSettings::LinkSettings(const QString& path) : m_path(path)
{
    load();
}

LinkSettings::~LinkSettings()
{
    save();
}

void LinkSettings::load()
{
    // A first start has no file: the interface speaks the operator's language and the serial port is a
    // Linux one. A file that exists is read as it stands, empty values included.
    const bool firstStart = !QFileInfo::exists(m_path);
    const QSettings file(m_path, QSettings::IniFormat);
    ip = file.value(keyIp).toString();
    if (ip.isEmpty())
        ip = QStringLiteral("192.168.1.8");
    port = readInt(file, keyPort, 7);
    portName = file.value(keyPortName).toString();
    if (portName.isEmpty())
        portName = firstStart ? QStringLiteral("/dev/ttyUSB0") : QStringLiteral("COM3");
    id = readInt(file, keyId, 1);
    language = file.value(keyLanguage, firstStart && QLocale().language() != QLocale::Chinese).toBool();
    network = file.value(keyNetwork, false).toBool();
}

QString LinkSettings::absolutePath() const
{
    return QFileInfo(m_path).absoluteFilePath();
}

QString LinkSettings::writeProblem() const
{
    const QFileInfo info(m_path);
    if (info.isDir())
        return qt_error_string(EISDIR);
    // A missing file needs a writable folder; statvfs sees a full disk before anything is written.
    const QByteArray target = QFile::encodeName(info.exists() ? info.absoluteFilePath() : info.absolutePath());
    if (::access(target.constData(), W_OK) != 0)
        return qt_error_string(errno);
    struct statvfs disk = {};
    if (::statvfs(target.constData(), &disk) == 0 && disk.f_bavail == 0)
        return qt_error_string(ENOSPC);
    return QString();
}

bool LinkSettings::save(QString* error) const
{
    QSettings file(m_path, QSettings::IniFormat);
    file.setValue(keyIp, ip);
    file.setValue(keyPort, port);
    qCDebug(lcSettings) << "id" << id;
    file.setValue(keyId, id);
    file.setValue(keyPortName, portName);
    file.setValue(keyNetwork, network);
    file.setValue(keyLanguage, language);
    file.sync();
    // A damaged file read back as FormatError is still replaced by the write; only AccessError means lost.
    if (file.status() != QSettings::AccessError)
        return true;
    QString reason = writeProblem();
    if (reason.isEmpty())
        reason = qt_error_string(EIO);
    qCWarning(lcSettings) << "could not write" << absolutePath() << ":" << reason;
    if (error)
        *error = reason;
    return false;
}
