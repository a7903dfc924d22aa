#include "service/ServiceSettings.h"

#include <QSettings>

namespace {
int readInt(const QSettings& file, const QString& key, int fallback)
{
    const QVariant value = file.value(key);
    return value.toString().isEmpty() ? fallback : value.toInt();
}
} // namespace

ServiceSettings ServiceSettings::read(const QString& path)
{
    ServiceSettings s;
    QSettings file(path, QSettings::IniFormat);
    const QString ip = file.value(QStringLiteral("IP")).toString();
    if (!ip.isEmpty())
        s.ip = ip;
    s.port = readInt(file, QStringLiteral("PORT"), s.port);
    const QString portName = file.value(QStringLiteral("PORTNAME")).toString();
    if (!portName.isEmpty())
        s.portName = portName;
    s.id = readInt(file, QStringLiteral("ID"), s.id);
    s.network = file.value(QStringLiteral("NETWORK"), false).toBool();

    file.beginGroup(QStringLiteral("Service"));
    const QString catchUp = file.value(QStringLiteral("CATCHUP"), QStringLiteral("latest")).toString().trimmed();
    if (catchUp.compare(QLatin1String("none"), Qt::CaseInsensitive) == 0) {
        s.catchUp = CatchUp::None;
    } else if (catchUp.compare(QLatin1String("latest"), Qt::CaseInsensitive) != 0) {
        s.problems.append(QStringLiteral("CATCHUP=%1 is neither latest nor none; using latest").arg(catchUp));
    }
    const QString minutes = file.value(QStringLiteral("CATCHUPMINUTES")).toString().trimmed();
    if (!minutes.isEmpty()) {
        bool ok = false;
        const int value = minutes.toInt(&ok);
        if (ok && value >= 0 && value <= 24 * 60)
            s.catchUpMinutes = value;
        else
            s.problems.append(QStringLiteral("CATCHUPMINUTES=%1 is no number of minutes 0..1440; using %2")
                                  .arg(minutes)
                                  .arg(s.catchUpMinutes));
    }
    // QSettings splits an unquoted value at commas; a listen address has none, so join what came back.
    const QString listen = file.value(QStringLiteral("LISTEN")).toStringList().join(QLatin1Char(',')).trimmed();
    if (!listen.isEmpty()) {
        const int colon = listen.lastIndexOf(QLatin1Char(':'));
        bool ok = false;
        const int port = colon > 0 ? listen.mid(colon + 1).toInt(&ok) : 0;
        QString host = colon > 0 ? listen.left(colon) : QString();
        if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
            host = host.mid(1, host.size() - 2);
        const QHostAddress address(host);
        if (ok && port >= 0 && port <= 65535 && !address.isNull()) {
            s.listen = true;
            s.listenAddress = address;
            s.listenPort = quint16(port);
        } else {
            s.problems.append(
                QStringLiteral("LISTEN=%1 is not ADDRESS:PORT (127.0.0.1:5001); no TCP port").arg(listen));
        }
    }
    file.endGroup();
    return s;
}

bool ServiceSettings::sameDevice(const ServiceSettings& other) const
{
    if (network != other.network || id != other.id)
        return false;
    return network ? (ip == other.ip && port == other.port) : portName == other.portName;
}

QString ServiceSettings::describeDevice() const
{
    if (network)
        return QStringLiteral("tcp %1:%2, device %3").arg(ip).arg(port).arg(id);
    return QStringLiteral("serial %1, device %2").arg(portName).arg(id);
}

QString ServiceSettings::serialNode() const
{
    return portName.startsWith(QLatin1Char('/')) ? portName : QStringLiteral("/dev/") + portName;
}
