#include "shell/LinkSettings.h"
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
        QVERIFY(QDir(scratch.path()).mkpath(QStringLiteral("start")));
        QVERIFY(QFile::setPermissions(start, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                 | QFile::ReadGroup | QFile::ExeGroup));
        QFile file(scratch.filePath(QStringLiteral("start/info.ini")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(QDir::setCurrent(start));
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

    // Only a first start, with no info.ini at all, guesses: a file that exists is read as it stands.
    void firstStartFollowsLocale_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QByteArray>("contents"); // null: no file
        QTest::addColumn<bool>("english");
        QTest::addColumn<QString>("portName");
        const QString linux = QStringLiteral("/dev/ttyUSB0");
        QTest::newRow("zh_CN, no file") << "zh_CN" << QByteArray() << false << linux;
        QTest::newRow("zh_TW, no file") << "zh_TW" << QByteArray() << false << linux;
        QTest::newRow("en_US, no file") << "en_US" << QByteArray() << true << linux;
        QTest::newRow("de_DE, no file") << "de_DE" << QByteArray() << true << linux;
        QTest::newRow("C, no file") << "C" << QByteArray() << true << linux;
        QTest::newRow("en_US, empty file") << "en_US" << QByteArray("") << false << "COM3";
        QTest::newRow("en_US, empty values") << "en_US" << QByteArray("PORTNAME=\nLANGUAGE=\n") << false << "COM3";
        QTest::newRow("zh_CN, English chosen") << "zh_CN" << QByteArray("LANGUAGE=true\n") << true << "COM3";
    }
    void firstStartFollowsLocale()
    {
        QFETCH(QString, locale);
        QFETCH(QByteArray, contents);
        QTemporaryDir scratch;
        const QString path = scratch.filePath(QStringLiteral("info.ini"));
        if (!contents.isNull()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size());
        }
        QLocale::setDefault(QLocale(locale));
        const LinkSettings settings(path);
        QLocale::setDefault(QLocale::system());
        QTEST(settings.language, "english");
        QTEST(settings.portName, "portName");
    }
};

QTEST_GUILESS_MAIN(tst_WorkingFolder)
#include "tst_WorkingFolder.moc"
