// Writes arbitrary bytes as ./info.ini (in a scratch folder) and lets the panel's settings record read it
// and write it back. Checked: missing or empty keys give the documented defaults, what the record writes
// holds all six keys and reads back as the same values, and writing that back again changes no byte.

#include "fuzz/FuzzCheck.h"
#include "shell/LinkSettings.h"

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

const QString fileName = QStringLiteral("info.ini");

struct Snapshot
{
    QString ip;
    QString portName;
    int port;
    int id;
    bool network;
    bool language;

    explicit Snapshot(const LinkSettings& s)
        : ip(s.ip), portName(s.portName), port(s.port), id(s.id), network(s.network), language(s.language)
    {
    }
    bool operator==(const Snapshot& o) const
    {
        return ip == o.ip && portName == o.portName && port == o.port && id == o.id && network == o.network &&
               language == o.language;
    }
};

void quietDebug(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtDebugMsg)
        return; // the record logs the id it writes, once per input
    std::fprintf(stderr, "%s\n", qUtf8Printable(message));
    // Writing into our own scratch folder cannot fail; a warning about it is a finding.
    FUZZ_CHECK(!message.contains(QLatin1String("could not write")));
}

QByteArray fileBytes()
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool isMissingOrEmpty(const QSettings& raw, const QString& key)
{
    return raw.value(key).toString().isEmpty();
}

// The record reads ./info.ini, so each input runs inside a scratch folder; the fuzzer's own folder is
// restored afterwards for its corpus and crash files.
class InScratchFolder
{
public:
    InScratchFolder() : m_previous(QDir::currentPath())
    {
        static QTemporaryDir scratch;
        FUZZ_CHECK(scratch.isValid() && QDir::setCurrent(scratch.path()));
    }
    ~InScratchFolder() { QDir::setCurrent(m_previous); }
    InScratchFolder(const InScratchFolder&) = delete;
    InScratchFolder& operator=(const InScratchFolder&) = delete;

private:
    QString m_previous;
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qInstallMessageHandler(quietDebug);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The settings class caches a file by size and modification time; each input gets a time of its own so
    // that a new file of the same size is really read.
    static qint64 inputCount = 0;
    ++inputCount;
    const InScratchFolder scratch;

    QFile::remove(fileName);
    if (size > 0) {
        QFile file(fileName);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly));
        FUZZ_CHECK(file.write(reinterpret_cast<const char*>(data), qint64(size)) == qint64(size));
        FUZZ_CHECK(file.setFileTime(QDateTime::fromSecsSinceEpoch(1000000000 + inputCount),
                                    QFileDevice::FileModificationTime));
    }

    std::unique_ptr<Snapshot> first;
    {
        const LinkSettings settings;
        const QSettings raw(fileName, QSettings::IniFormat);
        FUZZ_CHECK(!settings.ip.isEmpty() && !settings.portName.isEmpty());
        if (isMissingOrEmpty(raw, QStringLiteral("IP")))
            FUZZ_CHECK(settings.ip == QLatin1String("192.168.1.8"));
        // No file at all is a first start, which names a Linux port and follows the locale.
        const bool firstStart = size == 0;
        if (isMissingOrEmpty(raw, QStringLiteral("PORTNAME")))
            FUZZ_CHECK(settings.portName == (firstStart ? QLatin1String("/dev/ttyUSB0") : QLatin1String("COM3")));
        if (isMissingOrEmpty(raw, QStringLiteral("PORT")))
            FUZZ_CHECK(settings.port == 7);
        if (isMissingOrEmpty(raw, QStringLiteral("ID")))
            FUZZ_CHECK(settings.id == 1);
        if (!raw.contains(QStringLiteral("NETWORK")))
            FUZZ_CHECK(!settings.network);
        if (!raw.contains(QStringLiteral("LANGUAGE")) && !firstStart)
            FUZZ_CHECK(!settings.language);
        first = std::make_unique<Snapshot>(settings);
    } // written back here

    QByteArray written;
    {
        const QSettings raw(fileName, QSettings::IniFormat);
        for (const char* key : {"IP", "PORT", "PORTNAME", "ID", "NETWORK", "LANGUAGE"})
            FUZZ_CHECK(raw.contains(QLatin1String(key)));
        written = fileBytes();
    }
    {
        const LinkSettings again;
        FUZZ_CHECK(Snapshot(again) == *first);
    }
    FUZZ_CHECK(fileBytes() == written);
    return 0;
}
