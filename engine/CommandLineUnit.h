#pragma once

#include "project/uSettingsLocation.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <span>

namespace tarrow {

class TWebsiteProject;

// What a project option does to a project: an empty text when it took the value, else the
// error naming the option.
using TProjectSetter = QString (*)(TWebsiteProject& AProject, const QString& AValue);

// A project option as given, applied in order to the project of a one-off run or to each project
// of a settings-file run.
struct TProjectOption {
    TProjectSetter Set;
    QString Value;
};

// How tarrow-cli shows the run's progress on standard error.
enum TProgressStyle { psAuto, psNone, psBar, psDots };

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
    int Connections = 0; // -connections N (tarrow-cli), 1 .. 16; 0 when not given
    QStringList URLs;    // the web addresses of a one-off run, each with its scheme
    QString SaveProject; // --save-project NAME: the one-off project joins the settings file
    QList<TProjectOption> ProjectOptions;
    bool Quiet = false;   // -q: only errors and the summary
    bool Verbose = false; // -v: request and reply details too
    TProgressStyle Progress = psAuto;
    bool JsonLog = false;  // --log-format=json
    QString LogFile;       // --log-file FILE: the plain log, written there too
    QString WarcFile;      // -warc FILE (tarrow-cli)
    bool Continue = false; // -continue (tarrow-cli): unfinished runs go on from their journals
    bool Help = false;     // --help or -h
    bool Version = false;  // --version
    QStringList Unknown;   // every other argument, in order
    QString Error;         // tarrow-cli's usage error, when not empty
};

// The programs that offer a switch.
enum TSwitchProgram : unsigned { spWindow = 1, spCli = 2, spBoth = spWindow | spCli };

// One switch: its spellings, its value, its help and what it does. A switch spelled "-name" is
// also read as "--name"; a long switch ("--name") takes its value as the next argument or after
// "=". Parsing, the help text (and
// whatever else describes the switches) read the one table of them, so they cannot drift apart.
struct TSwitchInfo {
    const char* Name;
    const char* Alias; // another spelling ("--output" for "-outdir"), or nullptr
    const char* Value; // the value's name in the help ("DIR"); nullptr for a switch without one
    bool IgnoreCase;
    unsigned Programs; // TSwitchProgram bits: where the help lists it
    const char* Help;  // "\n" starts a further line of help
    void (*Take)(TCommandLine& AResult, const QString& AValue);
    // The switch is the last argument and has no value; nullptr ignores the switch.
    void (*Missing)(TCommandLine& AResult, const QString& ASwitch);
    // The letters of its one-letter spellings ("cj" for -c and -j), or nullptr.
    const char* Shorts = nullptr;
};

// Every switch of both programs, in the order of the help. Both programs accept every switch;
// each shows only its own.
std::span<const TSwitchInfo> CommandLineSwitches();

// Reads the arguments, the program name first (as QCoreApplication gives them). An argument that
// does not start with "-", and every one after "--", is a web address. Error is set for what
// tarrow-cli cannot run: an unknown argument (with the closest switch suggested), a switch
// without its value, a value a switch refuses, -start without names, an argument that is no
// web address.
TCommandLine ParseCommandLine(const QStringList& AArguments);

// Gives AProject the values of AOptions, in order.
void ApplyProjectOptions(const QList<TProjectOption>& AOptions, TWebsiteProject& AProject);

// Every spelling the switch is read as: its name, its "--" form, its alias, its short forms.
QStringList SwitchSpellings(const TSwitchInfo& ASwitch);

// "[-a] [-b DIR] ..." for AProgram's switches, lines broken before AWidth columns and continued
// after AIndent blanks; the first line starts after AFirstLineUsed columns.
QString SwitchUsage(TSwitchProgram AProgram, int AFirstLineUsed, int AIndent, int AWidth = 79);
// One entry per switch of AProgram: the switch and its value, its help beside it.
QString SwitchHelp(TSwitchProgram AProgram);

} // namespace tarrow
