#include "shell/PanelCommandLine.h"
#include "shell/WorkingFolder.h"

#include <QtTest>

#include <sys/stat.h>

class tst_WorkingFolder : public QObject
{
    Q_OBJECT

private slots:
    void entersChosenFolder_data()
    {
        QTest::addColumn<QString>("options"); // split at spaces; %1 stands for the scratch folder
        QTest::addColumn<int>("exitCode");    // -1: the panel starts
        QTest::addColumn<QString>("folder");  // where it then works, under the scratch folder
        QTest::addColumn<int>("mode");        // that folder's permission bits
        QTest::newRow("none keeps the current") << "" << -1 << "start" << 0750;
        QTest::newRow("user folder under XDG_CONFIG_HOME") << "--user-folder" << -1 << "config/rdx480" << 0700;
        QTest::newRow("given folder is created") << "--folder %1/given/deeper" << -1 << "given/deeper" << 0700;
        QTest::newRow("existing folder keeps its mode") << "--folder %1/start" << -1 << "start" << 0750;
        QTest::newRow("a file is no folder") << "--folder %1/start/info.ini" << 1 << "start" << 0750;
        QTest::newRow("both options") << "--user-folder --folder=x" << 2 << "start" << 0750;
        QTest::newRow("unknown option") << "--colour" << 2 << "start" << 0750;
        QTest::newRow("Qt's own options pass") << "-platform offscreen -reverse" << -1 << "start" << 0750;
    }
    void entersChosenFolder()
    {
        QFETCH(QString, options);
        QFETCH(int, exitCode);
        QFETCH(QString, folder);
        QFETCH(int, mode);
        QTemporaryDir scratch;
        const QString start = scratch.filePath(QStringLiteral("start"));
        QVERIFY(QDir().mkdir(start) && ::chmod(QFile::encodeName(start).constData(), 0750) == 0);
        QFile file(start + QStringLiteral("/info.ini"));
        QVERIFY(file.open(QIODevice::WriteOnly) && QDir::setCurrent(start));
        qputenv("XDG_CONFIG_HOME", scratch.filePath(QStringLiteral("config")).toLocal8Bit());

        QStringList arguments{QStringLiteral("rdx480")};
        for (const QString& option : options.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            arguments << option.arg(scratch.path());
        const PanelCommandLine commandLine = PanelCommandLine::parse(arguments);
        int result = commandLine.exitCode.value_or(-1);
        if (!commandLine.exitCode && !commandLine.folder.isEmpty() && !WorkingFolder::enter(commandLine.folder))
            result = 1;
        QCOMPARE(result, exitCode);
        QCOMPARE(QDir::currentPath(), QDir(scratch.filePath(folder)).canonicalPath());
        struct stat status = {};
        QCOMPARE(::stat(".", &status), 0);
        QCOMPARE(int(status.st_mode & 07777), mode);
    }
};

QTEST_GUILESS_MAIN(tst_WorkingFolder)
#include "tst_WorkingFolder.moc"
