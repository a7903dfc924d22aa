#ifndef RDX480_SIM_SIMFAULTS_H
#define RDX480_SIM_SIMFAULTS_H

#include <QByteArray>
#include <QMap>
#include <QSet>

// Misbehaviour the simulated device can be told to show, so the link's recovery paths get exercised.
struct SimFaults
{
    QSet<int> silentCodes;       // set-command codes that get no reply
    QSet<int> silentKinds;       // read kinds (byte 3 of a read request) that get no reply
    int delayMs = 0;             // every reply this much later
    QMap<int, int> errorForCode; // set-command code -> device error code to answer with
    QMap<int, int> errorForKind; // read kind (byte 3 of a read request) -> device error code to answer with
    int errorForKindTimes = -1;  // how many reads of those kinds get it; -1: every one
    int chunkSize = 0;           // >0: replies written in chunks of this many bytes
    bool glueReplies = false;    // replies held back and written two at a time
    int glueHoldMs = 0;          // >0: a held reply leaves alone after this long if no other one joins it
    QByteArray strayBytes;       // written once before the next reply
    bool plainAck = false;       // set-commands answered with a plain acknowledgement, not a status
    bool noMarkers = false;      // replies carry 0x00 instead of the 0x91 markers at bytes 0 and 12
    bool pauseReading = false;   // TCP: frames are left unread, as by a device whose receive window is full
    quint32 randomSeed = 0;      // soak mode when randomFaultRate > 0: the same seed gives the same faults
    double randomFaultRate = 0.0;
    bool randomNoDrops = false;  // random faults leave every reply in place (delays, splits, glue, strays, errors)
};

#endif
