#ifndef RDX480_SERVICE_SERVICESETTINGS_H
#define RDX480_SERVICE_SERVICESETTINGS_H

#include <QHostAddress>
#include <QString>
#include <QStringList>

// What the service reads from its folder's info.ini: the device settings the panel writes (top level, with
// the panel's defaults) and the service's own [Service] group.
struct ServiceSettings
{
    enum class CatchUp { Latest, None };

    bool network = false;
    QString ip = QStringLiteral("192.168.1.8");
    int port = 7;
    QString portName = QStringLiteral("COM3");
    int id = 1;

    CatchUp catchUp = CatchUp::Latest;
    int catchUpMinutes = 60;
    // A TCP port for control surfaces, when `listen`; port 0 takes any free one.
    bool listen = false;
    QHostAddress listenAddress;
    quint16 listenPort = 0;

    // Values that could not be used, each with what was used instead, for the log.
    QStringList problems;

    static ServiceSettings read(const QString& path);

    // The device a link opened with these settings reaches.
    bool sameDevice(const ServiceSettings& other) const;
    QString describeDevice() const;
    // The serial node as the system names it ("ttyUSB0" is /dev/ttyUSB0).
    QString serialNode() const;
};

#endif
