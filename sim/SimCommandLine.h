#ifndef RDX480_SIM_SIMCOMMANDLINE_H
#define RDX480_SIM_SIMCOMMANDLINE_H

#include "sim/SimFaults.h"
#include "sim/SimFixture.h"

#include <QString>
#include <QStringList>

// The options of rdx480-sim, parsed into what the device is started with.
struct SimCommandLine
{
    SimFixtureOptions options;
    SimFaults faults;
    bool helpRequested = false;
    bool versionRequested = false;
    QString helpText;
    QString error; // empty when the arguments were all understood

    static SimCommandLine parse(const QStringList& arguments);
};

#endif
