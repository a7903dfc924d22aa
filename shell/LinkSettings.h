#ifndef RDX480_SHELL_LINKSETTINGS_H
#define RDX480_SHELL_LINKSETTINGS_H

#include <QHash>
#include <QString>
#include <QStringList>

// The connection settings and the interface language, kept between runs in ./info.ini. Read when the
// record is built, written when it goes away, so the main window's lifetime brackets one session.
class LinkSettings
{
public:
    explicit LinkSettings(const QString& path = QStringLiteral("./info.ini"));
    ~LinkSettings();
    LinkSettings(const LinkSettings&) = delete;
    LinkSettings& operator=(const LinkSettings&) = delete;

    QString ip;
    QString portName;
    int port = 7;
    int id = 1;
    bool network = false;
    bool language = false;

    QString absolutePath() const;
    // Why the file could not be written now, in the system's words; empty when it can.
    QString writeProblem() const;
    // Writes the file; false, with the reason in `error`, when it could not.
    bool save(QString* error = nullptr) const;
    // Values the link cannot use, as "KEY=value" in file order: an address that is not a dotted quad and a
    // TCP port outside 1..65535 (both only on the network), a device number outside 0..255.
    static QStringList unusable(const QString& ip, int port, int id, bool network);
    // A dotted quad in plain decimal ("192.168.001.010" gives "192.168.1.10"), or an empty text.
    static QString plainAddress(const QString& text);

private:
    void load();

    QString m_path;
    // The texts as stored, with the values they were read as: a value nobody changed goes back exactly as
    // it was, even one the panel could not use or wrote differently.
    QHash<QString, QString> m_storedTexts;
    QString m_readIp;
    QString m_readPortName;
    int m_readPort = 0;
    int m_readId = 0;
};

#endif
