#include "engine/SwitchDocsUnit.h"

#include "engine/TarrowVersion.h"

#include <QStringList>

namespace tarrow {

namespace {

const char CliDescription[] =
    "With web addresses, copies each site into a folder named after its host (or into\n"
    "-o DIR) as a project made with Add would, reading and writing no settings file.\n"
    "Without them, loads the checked projects of the settings file (or the projects\n"
    "named by -start) into the output folder. The run log goes to standard output.\n"
    "Every -name switch is also read as --name; a --name switch takes its value after\n"
    "a blank or \"=\"; \"--\" ends the switches. The project options (from --depth to\n"
    "--no-verify-tls) also replace the file's values for a run of the settings file.\n";

const char CliExitStatus[] =
    "Exit status: 0 when the run ended and no URL of it failed (already existing and\n"
    "unchanged files count as loaded); 1 when a project name was not found; 2 for a\n"
    "usage error, no settings file, an unreadable or missing -config file or a run\n"
    "ended by an error; 3 when one or more URLs failed; 4 when Ctrl+C or SIGTERM\n"
    "stopped the run; 5 when URLs were requested and not one had a reply (connection\n"
    "refused, host not found, time-out, TLS or certificate failure). The first that\n"
    "applies of 2, 4, 1, 5, 3 is the status.\n";

const char CliNotes[] =
    "-settingsdir or -config without a value (the last argument) is ignored.\n"
    "Ctrl+C or SIGTERM stops the run, aborting the transfer under way; a second Ctrl+C ends at\n"
    "once (status 130).\n";

const char WindowDescription[] =
    "Keeps a list of website projects in a settings file and loads each project's site into\n"
    "an output folder, from a desktop window. tarrow-cli runs the same projects without one.\n";

// Text for roff: backslashes and dashes escaped, no line starting with a control character.
QString Roff(const QString& AText) {
    QString text = AText;
    text.replace(u'\\', QLatin1String("\\e")).replace(u'-', QLatin1String("\\-"));
    QStringList lines = text.split(u'\n');
    for (QString& line : lines)
        if (line.startsWith(u'.') || line.startsWith(u'\''))
            line.prepend(QLatin1String("\\&"));
    return lines.join(u'\n');
}

QString RoffSpelling(const TSwitchInfo& ASwitch) {
    QString text =
        QStringLiteral("\\fB") + Roff(QLatin1String(ASwitch.Name)) + QStringLiteral("\\fR");
    if (ASwitch.Value)
        text +=
            QStringLiteral(" \\fI") + Roff(QLatin1String(ASwitch.Value)) + QStringLiteral("\\fR");
    const QStringList spellings = SwitchSpellings(ASwitch);
    for (qsizetype i = 1; i < spellings.size(); ++i)
        text += QStringLiteral(", \\fB") + Roff(spellings[i]) + QStringLiteral("\\fR");
    return text;
}

// What follows a switch's value in a completion: folders, files, project names or nothing.
enum TValueKind { vkNone, vkFolder, vkFile, vkProjects, vkText };

TValueKind ValueKind(const TSwitchInfo& ASwitch) {
    if (!ASwitch.Value)
        return vkNone;
    const QLatin1String value(ASwitch.Value);
    if (value == QLatin1String("DIR"))
        return vkFolder;
    if (value == QLatin1String("FILE"))
        return vkFile;
    if (value == QLatin1String("NAMES"))
        return vkProjects;
    return vkText;
}

// The project names of the settings file (the one -settingsdir names, else the per-user one).
const char BashProjects[] =
    "_tarrow_projects() {\n"
    "    local dir=\"${XDG_CONFIG_HOME:-$HOME/.config}/Tarrow\" i\n"
    "    for ((i = 1; i < ${#COMP_WORDS[@]} - 1; i++)); do\n"
    "        case ${COMP_WORDS[i]} in\n"
    "        -settingsdir|--settingsdir) dir=${COMP_WORDS[i+1]} ;;\n"
    "        esac\n"
    "    done\n"
    "    sed -n 's/^TarrowProjects\\[[0-9]*\\]\\.ProjectName=//p' \"$dir/tarrow.ini\" "
    "2>/dev/null\n"
    "}\n";

QString ShellFunctionName(TSwitchProgram AProgram) {
    return AProgram == spCli ? QStringLiteral("_tarrow_cli") : QStringLiteral("_tarrow");
}

QString ProgramName(TSwitchProgram AProgram) {
    return AProgram == spCli ? QStringLiteral("tarrow-cli") : QStringLiteral("tarrow");
}

QString ZshQuoted(QString AText) {
    AText.replace(u'\'', QLatin1String("'\\''"));
    AText.replace(u'[', QLatin1String("\\[")).replace(u']', QLatin1String("\\]"));
    AText.replace(u':', QLatin1String("\\:"));
    return AText;
}

} // namespace

QString CliHelpText() {
    return QStringLiteral("Usage: tarrow-cli [options] [-start NAMES]\n"
                          "       tarrow-cli [options] URL...\n\n") +
           QLatin1String(CliDescription) + u'\n' + SwitchHelp(spCli) + u'\n' +
           QLatin1String(CliExitStatus) + QLatin1String(CliNotes);
}

QString WindowHelpText() {
    return QStringLiteral("Usage: tarrow [options] [-start NAMES [-close]]\n\n") +
           QLatin1String(WindowDescription) + u'\n' + SwitchHelp(spWindow);
}

QString ManualPage(TSwitchProgram AProgram) {
    const bool cli = AProgram == spCli;
    const QString name = ProgramName(AProgram);
    QString page = QStringLiteral(".TH %1 1 \"\" \"Tarrow %2\" \"User Commands\"\n.SH NAME\n")
                       .arg(name.toUpper(), QLatin1String(TarrowVersion));
    page += Roff(name) + (cli ? QStringLiteral(" \\- copy websites for offline use\n")
                              : QStringLiteral(" \\- website downloader with a window\n"));
    page += QStringLiteral(".SH SYNOPSIS\n.B ") + Roff(name) +
            QStringLiteral("\n[\\fIoptions\\fR] [\\fB\\-start\\fR \\fINAMES\\fR]\n");
    if (cli)
        page += QStringLiteral(".br\n.B tarrow\\-cli\n[\\fIoptions\\fR] \\fIURL\\fR...\n");
    page += QStringLiteral(".SH DESCRIPTION\n") +
            Roff(QLatin1String(cli ? CliDescription : WindowDescription));
    page += QStringLiteral(".SH OPTIONS\n");
    for (const TSwitchInfo& s : CommandLineSwitches()) {
        if (!(s.Programs & AProgram))
            continue;
        page += QStringLiteral(".TP\n") + RoffSpelling(s) + u'\n' +
                Roff(QString::fromUtf8(s.Help).replace(u'\n', u' ')) + u'\n';
    }
    if (cli)
        page += QStringLiteral(".SH EXIT STATUS\n") + Roff(QLatin1String(CliExitStatus)) +
                QStringLiteral(".SH NOTES\n") + Roff(QLatin1String(CliNotes));
    page += QStringLiteral(".SH SEE ALSO\n") + (cli ? QStringLiteral("\\fBtarrow\\fR(1)\n")
                                                    : QStringLiteral("\\fBtarrow\\-cli\\fR(1)\n"));
    return page;
}

QString BashCompletion(TSwitchProgram AProgram) {
    QStringList all;
    QStringList byKind[5];
    for (const TSwitchInfo& s : CommandLineSwitches()) {
        if (!(s.Programs & AProgram))
            continue;
        const QStringList spellings = SwitchSpellings(s);
        all += spellings;
        byKind[ValueKind(s)] += spellings;
    }
    const QString function = ShellFunctionName(AProgram);
    QString text = QStringLiteral("# bash completion for %1\n").arg(ProgramName(AProgram)) +
                   QLatin1String(BashProjects) + function +
                   QStringLiteral("() {\n"
                                  "    local cur=${COMP_WORDS[COMP_CWORD]} "
                                  "prev=${COMP_WORDS[COMP_CWORD-1]}\n"
                                  "    local IFS=$'\\n'\n"
                                  "    case $prev in\n");
    const char* const actions[] = {nullptr, "compgen -d -- \"$cur\"", "compgen -f -- \"$cur\"",
                                   "compgen -W \"$(_tarrow_projects)\" -- \"$cur\"", ""};
    for (int kind = vkFolder; kind <= vkText; ++kind) {
        if (byKind[kind].isEmpty())
            continue;
        text += QStringLiteral("    %1)\n        COMPREPLY=($(%2))\n        return ;;\n")
                    .arg(byKind[kind].join(u'|'), QLatin1String(actions[kind]));
    }
    text.replace(QLatin1String("COMPREPLY=($())"), QLatin1String("COMPREPLY=()"));
    text += QStringLiteral("    esac\n"
                           "    COMPREPLY=($(compgen -W \"%1\" -- \"$cur\"))\n"
                           "}\n"
                           "complete -o filenames -F %2 %3\n")
                .arg(all.join(u'\n'), function, ProgramName(AProgram));
    return text;
}

QString ZshCompletion(TSwitchProgram AProgram) {
    const char* const actions[] = {"", ":DIR:_files -/", ":FILE:_files", ":NAMES:_tarrow_projects",
                                   ":VALUE: "};
    QString text = QStringLiteral("#compdef %1\n\n"
                                  "_tarrow_projects() {\n"
                                  "    local dir=${XDG_CONFIG_HOME:-$HOME/.config}/Tarrow\n"
                                  "    local -a names\n"
                                  "    names=(${(f)\"$(sed -n "
                                  "'s/^TarrowProjects\\[[0-9]*\\]\\.ProjectName=//p' "
                                  "$dir/tarrow.ini 2>/dev/null)\"})\n"
                                  "    compadd -a names\n"
                                  "}\n\n"
                                  "_arguments \\\n")
                       .arg(ProgramName(AProgram));
    for (const TSwitchInfo& s : CommandLineSwitches()) {
        if (!(s.Programs & AProgram))
            continue;
        const QString help = ZshQuoted(QString::fromUtf8(s.Help).section(u'\n', 0, 0));
        const TValueKind kind = ValueKind(s);
        for (const QString& spelling : SwitchSpellings(s)) {
            const bool inlineValue = kind != vkNone && spelling.startsWith(QLatin1String("--"));
            text += QStringLiteral("    '%1%2[%3]%4' \\\n")
                        .arg(spelling, inlineValue ? QStringLiteral("=") : QString(), help,
                             QLatin1String(actions[kind]));
        }
    }
    text += AProgram == spCli ? QStringLiteral("    '*:URL:_urls'\n") : QStringLiteral("\n");
    return text;
}

} // namespace tarrow
