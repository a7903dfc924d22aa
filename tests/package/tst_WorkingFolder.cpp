#include "shell/WorkingFolder.h"

#include <QtTest>

class tst_WorkingFolder : public QObject
{
    Q_OBJECT

private slots:
    void entersChosenFolder_data()
    {
        QTest::addColumn<QStringList>("options"); // %1 stands for the scratch folder
        QTest::addColumn<int>("exitCode");        // -1: the panel starts
        QTest::addColumn<QString>("folder");      // where it then works, under the scratch folder

        QTest::newRow("none keeps the current") << QStringList() << -1 << QStringLiteral("start");
        QTest::newRow("user folder under XDG_CONFIG_HOME")
            << QStringList{QStringLiteral("--user-folder")} << -1 << QStringLiteral("config/rdx480");
        QTest::newRow("given folder is created")
            << QStringList{QStringLiteral("--folder"), QStringLiteral("%1/given/deeper")} << -1
            << QStringLiteral("given/deeper");
        QTest::newRow("a file is no folder")
            << QStringList{QStringLiteral("--folder"), QStringLiteral("%1/start/info.ini")} << 1
            << QStringLiteral("start");
        QTest::newRow("both options") << QStringList{QStringLiteral("--user-folder"), QStringLiteral("--folder=x")} << 2
                                      << QStringLiteral("start");
    }
    void entersChosenFolder()
    {
        QFETCH(QStringList, options);
        QFETCH(int, exitCode);
        QFETCH(QString, folder);
        QTemporaryDir scratch;
        QVERIFY(QDir(scratch.path()).mkpath(QStringLiteral("start")));
        QFile file(scratch.filePath(QStringLiteral("start/info.ini")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(QDir::setCurrent(scratch.filePath(QStringLiteral("start"))));
        qputenv("XDG_CONFIG_HOME", scratch.filePath(QStringLiteral("config")).toLocal8Bit());

        QStringList arguments{QStringLiteral("rdx480")};
        for (const QString& option : options)
            arguments << option.arg(scratch.path());
        QCOMPARE(WorkingFolder::enter(arguments).value_or(-1), exitCode);
        QCOMPARE(QDir::currentPath(), QDir(scratch.filePath(folder)).canonicalPath());
    }
};

QTEST_GUILESS_MAIN(tst_WorkingFolder)
#include "tst_WorkingFolder.moc"
