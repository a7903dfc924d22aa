#include "Version.h"

#include <QtTest>

// Every installed program, as an operator reaches it over ssh: no display, no platform chosen.
class tst_CommandLine : public QObject
{
    Q_OBJECT

private slots:
    void answersWithoutDisplay_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("option");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out"); // expected stdout, a regular expression
        QTest::addColumn<int>("errLines");
        const QStringList programs = qEnvironmentVariable("RDX480_PROGRAMS").split(QLatin1Char(':'), Qt::SkipEmptyParts);
        QVERIFY2(!programs.isEmpty(), "RDX480_PROGRAMS names no program");
        for (const QString& path : programs) {
            const QString name = QFileInfo(path).fileName();
            const auto row = [&name](const char* what) { return name.toUtf8().append(what); };
            QTest::newRow(row(" --help").constData()) << path << "--help" << 0 << QStringLiteral("^Usage: \\S*%1 ").arg(name) << 0;
            QTest::newRow(row(" -h").constData()) << path << "-h" << 0 << "^Usage: " << 0;
            QTest::newRow(row(" --version").constData())
                << path << "--version" << 0 << QStringLiteral("^%1 " RDX480_VERSION "\n$").arg(QRegularExpression::escape(name)) << 0;
            QTest::newRow(row(" unknown option").constData()) << path << "--no-such-option" << 2 << "^$" << 1;
        }
    }
    void answersWithoutDisplay()
    {
        QFETCH(QString, program);
        QFETCH(QString, option);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(int, errLines);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_SESSION_TYPE"})
            environment.remove(QString::fromLatin1(name));
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(program, {option});
        QVERIFY2(process.waitForFinished(), qPrintable(program));
        const QString stdErr = QString::fromLocal8Bit(process.readAllStandardError());
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QVERIFY2(process.exitCode() == exitCode, qPrintable(stdErr));
        const QString stdOut = QString::fromLocal8Bit(process.readAllStandardOutput());
        QVERIFY2(QRegularExpression(out).match(stdOut).hasMatch(), qPrintable(stdOut));
        QCOMPARE(stdErr.count(QLatin1Char('\n')), errLines);
    }
};

QTEST_GUILESS_MAIN(tst_CommandLine)
#include "tst_CommandLine.moc"
