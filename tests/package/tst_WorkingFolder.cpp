#include "shell/WorkingFolder.h"

#include <QtTest>

class tst_WorkingFolder : public QObject
{
    Q_OBJECT

private slots:
    void entersChosenFolder_data()
    {
        QTest::addColumn<QString>("options"); // split at spaces; %1 stands for the scratch folder
        QTest::addColumn<int>("exitCode");    // -1: the panel starts
        QTest::addColumn<QString>("folder");  // where it then works, under the scratch folder
        QTest::newRow("none keeps the current") << "" << -1 << "start";
        QTest::newRow("user folder under XDG_CONFIG_HOME") << "--user-folder" << -1 << "config/rdx480";
        QTest::newRow("given folder is created") << "--folder %1/given/deeper" << -1 << "given/deeper";
        QTest::newRow("a file is no folder") << "--folder %1/start/info.ini" << 1 << "start";
        QTest::newRow("both options") << "--user-folder --folder=x" << 2 << "start";
    }
    void entersChosenFolder()
    {
        QFETCH(QString, options);
        QFETCH(int, exitCode);
        QFETCH(QString, folder);
        QTemporaryDir scratch;
        QVERIFY(QDir(scratch.path()).mkpath(QStringLiteral("start")));
        QFile file(scratch.filePath(QStringLiteral("start/info.ini")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(QDir::setCurrent(scratch.filePath(QStringLiteral("start"))));
        qputenv("XDG_CONFIG_HOME", scratch.filePath(QStringLiteral("config")).toLocal8Bit());

        QStringList arguments{QStringLiteral("rdx480")};
        for (const QString& option : options.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            arguments << option.arg(scratch.path());
        QCOMPARE(WorkingFolder::enter(arguments).value_or(-1), exitCode);
        QCOMPARE(QDir::currentPath(), QDir(scratch.filePath(folder)).canonicalPath());
    }
};

QTEST_GUILESS_MAIN(tst_WorkingFolder)
#include "tst_WorkingFolder.moc"
