#ifndef RDX480_SHELL_LINKSETTINGS_H
#define RDX480_SHELL_LINKSETTINGS_H

#include <QString>

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

private:
    void load();

    QString m_path;
};

#endif
