#include "cli/CtlRunner.h"
#include "link/Logging.h"

#include <QCoreApplication>

int main(int argc, char* argv[])
{
    Rdx::setUpLogging(false);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("rdx480ctl"));
    int exitCode = 0;
    const std::optional<Ctl::Options> options = Ctl::parseArguments(QCoreApplication::arguments(), &exitCode);
    if (!options)
        return exitCode;
    return Ctl::Runner(*options).run();
}
