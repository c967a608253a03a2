#pragma once

#include "project/uSettingsLocation.h"

#include <QString>
#include <QStringList>
#include <span>

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
    int Connections = 0;   // -connections N (tarrow-cli), 1 .. 16; 0 when not given
    bool Continue = false; // -continue (tarrow-cli): unfinished runs go on from their journals
    bool Help = false;     // --help or -h
    bool Version = false;  // --version
    QStringList Unknown;   // every other argument, in order
    QString Error;         // tarrow-cli's usage error, when not empty
};

// The programs that offer a switch.
enum TSwitchProgram : unsigned { spWindow = 1, spCli = 2, spBoth = spWindow | spCli };

// One switch: its spellings, its value, its help and what it does. Parsing, the help text (and
// whatever else describes the switches) read the one table of them, so they cannot drift apart.
struct TSwitchInfo {
    const char* Name;
    const char* Alias; // another spelling, or nullptr
    const char* Value; // the value's name in the help ("DIR"); nullptr for a switch without one
    bool IgnoreCase;
    unsigned Programs; // TSwitchProgram bits: where the help lists it
    const char* Help;  // "\n" starts a further line of help
    void (*Take)(TCommandLine& AResult, const QString& AValue);
    // The switch is the last argument and has no value; nullptr ignores the switch.
    void (*Missing)(TCommandLine& AResult, const QString& ASwitch);
};

// Every switch of both programs, in the order of the help. Both programs accept every switch;
// each shows only its own.
std::span<const TSwitchInfo> CommandLineSwitches();

// Reads the arguments, the program name first (as QCoreApplication gives them). Error is set for
// what tarrow-cli cannot run: an unknown argument, -outdir, -proxy or -connections without a value,
// a malformed proxy, a number of connections outside 1 .. 16, -start without names.
TCommandLine ParseCommandLine(const QStringList& AArguments);

// "[-a] [-b DIR] ..." for AProgram's switches, lines broken before AWidth columns and continued
// after AIndent blanks; the first line starts after AFirstLineUsed columns.
QString SwitchUsage(TSwitchProgram AProgram, int AFirstLineUsed, int AIndent, int AWidth = 79);
// One entry per switch of AProgram: the switch and its value, its help beside it.
QString SwitchHelp(TSwitchProgram AProgram);

} // namespace tarrow
