#pragma once

#include "project/uSettingsLocation.h"

#include <QString>
#include <QStringList>

namespace tarrow {

// The one reading of the programs' arguments. The window ignores what it does not know (Qt's own
// switches, for instance); tarrow-cli refuses it.
struct TCommandLine {
    // -appsettingsdir, -usersettingsdir, -settingsdir DIR, -config FILE, compared exactly; a
    // folder or file switch as the last argument is ignored.
    TSettingsSwitches Settings;
    // -start NAMES (letter case ignored): the list after the last -start that is not the last
    // argument. A -start in the last position is ignored.
    QString StartNames;
    bool HasStart = false;
    bool StartWithoutNames = false; // a -start with nothing after it
    bool Close = false;             // -close, letter case ignored
    bool HasOutDir = false;         // -outdir DIR (tarrow-cli)
    QString OutDir;
    bool HasProxy = false; // -proxy URL (tarrow-cli): checked here, the run's proxy
    QString Proxy;
    int Connections = 0;  // -connections N (tarrow-cli), 1 .. 16; 0 when not given
    bool Help = false;    // --help or -h
    bool Version = false; // --version
    QStringList Unknown;  // every other argument, in order
    QString Error;        // tarrow-cli's usage error, when not empty
};

// Reads the arguments, the program name first (as QCoreApplication gives them). Error is set for
// what tarrow-cli cannot run: an unknown argument, -outdir, -proxy or -connections without a value,
// a malformed proxy, a number of connections outside 1 .. 16, -start without names.
TCommandLine ParseCommandLine(const QStringList& AArguments);

} // namespace tarrow
