#include "shell/LinkSettings.h"

#include <QLoggingCategory>
#include <QSettings>

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
    const QSettings file(m_path, QSettings::IniFormat);
    ip = file.value(keyIp).toString();
    if (ip.isEmpty())
        ip = QStringLiteral("192.168.1.8");
    port = readInt(file, keyPort, 7);
    portName = file.value(keyPortName).toString();
    if (portName.isEmpty())
        portName = QStringLiteral("COM3");
    id = readInt(file, keyId, 1);
    language = file.value(keyLanguage, false).toBool();
    network = file.value(keyNetwork, false).toBool();
}

void LinkSettings::save() const
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
    if (file.status() == QSettings::AccessError)
        qCWarning(lcSettings) << "could not write" << m_path;
}
