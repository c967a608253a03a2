#pragma once

#include <QString>
#include <QStringList>

namespace tarrow {

// The project-name list of the command-line start: the argument after the last "-start"
// (letter case ignored) that is not the last argument; empty when there is none.
QString FindStartArgument(const QStringList& AArguments);
// Whether any argument equals "-close", letter case ignored.
bool HasCloseArgument(const QStringList& AArguments);

// What tarrow-cli was asked to do. The settings switches are read by the settings module from
// the same arguments; here they are only stepped over.
struct TCommandLine {
    bool Help = false;
    bool Version = false;
    bool HasOutDir = false;
    QString OutDir;
    bool HasStart = false;
    QString StartNames;
    QString Error; // a usage error, when not empty
};

// Reads tarrow-cli's arguments (the program name first, as QCoreApplication gives them).
TCommandLine ParseCommandLine(const QStringList& AArguments);

} // namespace tarrow
