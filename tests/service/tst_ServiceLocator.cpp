#include "service/ServiceLocator.h"

#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

class tst_ServiceLocator : public QObject
{
    Q_OBJECT

private slots:
    // What `systemd-escape --path` prints for each.
    void escapesAsSystemdDoes_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("escaped");
        QTest::newRow("config") << QStringLiteral("/home/op/.config/rdx480")
                                << QStringLiteral("home-op-.config-rdx480");
        QTest::newRow("root") << QStringLiteral("/") << QStringLiteral("-");
        QTest::newRow("blank, UTF-8, dash")
            << QStringLiteral(u"/tmp/a b/ü-x") << QStringLiteral("tmp-a\\x20b-\\xc3\\xbc\\x2dx");
        QTest::newRow("doubled slashes, leading dot, colon, underscore")
            << QStringLiteral("//.wall//a:b_c.1/") << QStringLiteral("\\x2ewall-a:b_c.1");
    }

    void escapesAsSystemdDoes()
    {
        QFETCH(QString, path);
        QFETCH(QString, escaped);
        QCOMPARE(ServiceLocator::escapePath(path), escaped);
    }

    void socketPathFollowsTheRuntimeFolder()
    {
        QTemporaryDir folder;
        const QString canonical = QFileInfo(folder.path()).canonicalFilePath();
        qputenv("XDG_RUNTIME_DIR", "/run/test-runtime");
        QCOMPARE(ServiceLocator::socketPath(folder.path() + QStringLiteral("/./")),
                 QStringLiteral("/run/test-runtime/rdx480/") + ServiceLocator::escapePath(canonical) +
                     QStringLiteral(".sock"));
        // A long folder still gets an address of its own that fits.
        const QString a = QStringLiteral("/srv/") + QString(120, QLatin1Char('a'));
        QVERIFY(ServiceLocator::socketPath(a).toUtf8().size() <= 107);
        QVERIFY(ServiceLocator::socketPath(a) != ServiceLocator::socketPath(a.left(124) + QLatin1Char('b')));
        // As under cron, where the variable is unset.
        qunsetenv("XDG_RUNTIME_DIR");
        QCOMPARE(ServiceLocator::runtimeDir(), QStringLiteral("/run/user/%1/rdx480").arg(::getuid()));
    }
};

QTEST_GUILESS_MAIN(tst_ServiceLocator)
#include "tst_ServiceLocator.moc"
