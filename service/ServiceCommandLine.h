#ifndef RDX480_SERVICE_SERVICECOMMANDLINE_H
#define RDX480_SERVICE_SERVICECOMMANDLINE_H

#include <QString>
#include <QStringList>

// rdx480d's options: which folder, trace, remote listening; --help and --version need no display.
struct ServiceCommandLine
{
    QString folder;
    bool trace = false;
    bool allowRemote = false;
    bool helpRequested = false;
    bool versionRequested = false;
    QString helpText;
    QString error;

    static ServiceCommandLine parse(const QStringList& arguments);
    // $XDG_CONFIG_HOME/rdx480, ~/.config/rdx480 when the variable is unset: the panel's --user-folder.
    static QString userFolder();
};

#endif
