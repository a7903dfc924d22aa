#include "link/Logging.h"

#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

class tst_Logging : public QObject
{
    Q_OBJECT

private slots:
    void showsByLevelAndCategory_data()
    {
        QTest::addColumn<bool>("trace");
        QTest::addColumn<QString>("category");
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("shown");
        QTest::newRow("link debug") << false << "rdx480.link" << int(QtDebugMsg) << false;
        QTest::newRow("frames without trace") << false << "rdx480.link.frames" << int(QtDebugMsg) << false;
        QTest::newRow("frames with trace") << true << "rdx480.link.frames" << int(QtDebugMsg) << true;
        QTest::newRow("trace leaves other debug off") << true << "rdx480.shell" << int(QtDebugMsg) << false;
        QTest::newRow("plain qDebug") << false << "default" << int(QtDebugMsg) << false;
        QTest::newRow("service info") << false << "rdx480.service" << int(QtInfoMsg) << true;
        QTest::newRow("schedule warning") << false << "rdx480.schedule" << int(QtWarningMsg) << true;
        QTest::newRow("link error") << true << "rdx480.link" << int(QtCriticalMsg) << true;
    }
    void showsByLevelAndCategory()
    {
        QFETCH(bool, trace);
        QFETCH(QString, category);
        QFETCH(int, type);
        QFETCH(bool, shown);
        Rdx::setUpLogging(trace);
        const QByteArray name = category.toLatin1();
        const QLoggingCategory logging(name.constData());
        QCOMPARE(logging.isEnabled(QtMsgType(type)), shown);
    }

    void stampsUnlessJournalled_data()
    {
        QTest::addColumn<QString>("journalStream"); // "stderr": the device and inode stderr is open on
        QTest::addColumn<QString>("pattern");       // what a warning of rdx480.link "lost" turns into
        const QString stamped = QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} warning rdx480.link: lost$");
        QTest::newRow("terminal") << "" << stamped;
        QTest::newRow("journal") << "stderr" << "^<4>rdx480.link: lost$";
        QTest::newRow("inherited from a journalled parent") << "1:2" << stamped;
        QTest::newRow("garbage") << "journal" << stamped;
    }
    void stampsUnlessJournalled()
    {
        QFETCH(QString, journalStream);
        QFETCH(QString, pattern);
        struct stat status = {};
        QCOMPARE(::fstat(STDERR_FILENO, &status), 0);
        if (journalStream == QLatin1String("stderr"))
            journalStream = QStringLiteral("%1:%2").arg(qulonglong(status.st_dev)).arg(qulonglong(status.st_ino));
        qputenv("JOURNAL_STREAM", journalStream.toLatin1());
        qunsetenv("QT_MESSAGE_PATTERN");
        Rdx::setUpLogging(false);
        const QMessageLogContext context(__FILE__, __LINE__, Q_FUNC_INFO, "rdx480.link");
        const QString line = qFormatLogMessage(QtWarningMsg, context, QStringLiteral("lost"));
        QVERIFY2(QRegularExpression(pattern).match(line).hasMatch(), qPrintable(line));
    }
};

QTEST_GUILESS_MAIN(tst_Logging)
#include "tst_Logging.moc"
