#pragma once

// The synchronisation log's columns, in the order of its rows: written by
// the recording, read back by the day summary.
enum SynchroLogColumn {
    SynchroLogSynchro,     // the line's synchronisation
    SynchroLogReading,     // the poll that saw it
    SynchroLogSession,     // the start of the program's run
    SynchroLogReboot,      // the gateway's start
    SynchroLogConnection,  // the internet connection (older gateways)
    SynchroLogColumnCount,
};
