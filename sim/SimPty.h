#ifndef RDX480_SIM_SIMPTY_H
#define RDX480_SIM_SIMPTY_H

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>

class QSocketNotifier;

// The device's serial line: a pseudo-terminal whose slave end the panel opens as its serial port.
class SimPty : public QObject
{
    Q_OBJECT
public:
    explicit SimPty(QObject* parent = nullptr);
    ~SimPty() override;

    bool open(QString* errorText);
    QString slavePath() const { return m_slavePath; }
    bool write(const QByteArray& bytes);

    std::function<void(const QByteArray&)> onData;

private:
    void readMaster();
    void close();

    int m_master = -1;
    int m_slave = -1; // held open so the master never sees a hang-up when the panel closes its port
    QString m_slavePath;
    QSocketNotifier* m_notifier = nullptr;
};

#endif
