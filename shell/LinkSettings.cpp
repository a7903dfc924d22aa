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

QString LinkSettings::plainAddress(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return QString();
    QStringList plain;
    for (const QString& part : parts) {
        bool isNumber = false;
        const int octet = part.toInt(&isNumber, 10);
        if (!isNumber || part.size() > 3 || !part.at(0).isDigit() || octet > 255)
            return QString();
        plain << QString::number(octet);
    }
    return plain.join(QLatin1Char('.'));
}

QStringList LinkSettings::unusable(const QString& ip, int port, int id, bool network)
{
    QStringList found;
    if (network && plainAddress(ip).isEmpty())
        found << keyIp + QLatin1Char('=') + ip;
    if (network && (port < 1 || port > 65535))
        found << keyPort + QLatin1Char('=') + QString::number(port);
    if (id < 0 || id > 255)
        found << keyId + QLatin1Char('=') + QString::number(id);
    return found;
}

void LinkSettings::load()
{
    // A first start has no file: the interface speaks the operator's language and the serial port is a
    // Linux one. A file that exists is read as it stands, empty values included.
    const bool firstStart = !QFileInfo::exists(m_path);
    const QSettings file(m_path, QSettings::IniFormat);
    for (const QString& key : {keyIp, keyPort, keyPortName, keyId})
        if (file.contains(key))
            m_storedTexts.insert(key, file.value(key).toString());
    ip = file.value(keyIp).toString();
    if (ip.isEmpty())
        ip = QStringLiteral("192.168.1.8");
    // Leading zeros would otherwise reach the resolver, which reads "010" as octal 8.
    if (!plainAddress(ip).isEmpty())
        ip = plainAddress(ip);
    port = readInt(file, keyPort, 7);
    portName = file.value(keyPortName).toString();
    if (portName.isEmpty())
        portName = firstStart ? QStringLiteral("/dev/ttyUSB0") : QStringLiteral("COM3");
    id = readInt(file, keyId, 1);
    language = file.value(keyLanguage, firstStart && QLocale().language() != QLocale::Chinese).toBool();
    network = file.value(keyNetwork, false).toBool();
    m_readIp = ip;
    m_readPortName = portName;
    m_readPort = port;
    m_readId = id;
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
    const auto write = [&](const QString& key, const QVariant& value, bool unchanged) {
        file.setValue(key, unchanged && m_storedTexts.contains(key) ? QVariant(m_storedTexts.value(key)) : value);
    };
    write(keyIp, ip, ip == m_readIp);
    write(keyPort, port, port == m_readPort);
    qCDebug(lcSettings) << "id" << id;
    write(keyId, id, id == m_readId);
    write(keyPortName, portName, portName == m_readPortName);
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
