#include "engine/CommandLineUnit.h"

#include "http/uProxyURL.h"
#include "project/WebsiteUnit.h"

#include <algorithm>

namespace tarrow {

namespace {

constexpr qsizetype MaxSwitchText = 260;
constexpr int HelpColumn = 22; // where the help of a switch starts

void SetError(TCommandLine& AResult, const QString& AError) {
    if (AResult.Error.isEmpty())
        AResult.Error = AError;
}

void NeedsValue(TCommandLine& AResult, const QString& ASwitch) {
    SetError(AResult, ASwitch + QStringLiteral(" needs a value"));
}

void TakeSettingsFolder(TCommandLine& AResult, const QString& AValue) {
    AResult.Settings.GivenFolder = AValue.left(MaxSwitchText);
    AResult.Settings.Mode = TSettingsSwitches::smGivenFolder;
}

void TakeConfigFile(TCommandLine& AResult, const QString& AValue) {
    TSettingsSwitches& switches = AResult.Settings;
    switches.GivenFileName = AValue.left(MaxSwitchText);
    if (!switches.GivenFileName.isEmpty() && switches.Mode == TSettingsSwitches::smPerUser)
        switches.Mode = TSettingsSwitches::smAppFolder;
}

void TakeProxy(TCommandLine& AResult, const QString& AValue) {
    try {
        ParseProxyURL(AValue);
    } catch (const EProxyURLError& E) {
        SetError(AResult, QStringLiteral("-proxy: ") + E.Message());
        return;
    }
    AResult.HasProxy = true;
    AResult.Proxy = AValue;
}

void TakeConnections(TCommandLine& AResult, const QString& AValue) {
    // Plain decimal digits only: no sign, blanks or hexadecimal on a command line.
    const bool digits =
        !AValue.isEmpty() && AValue.size() <= 2 &&
        std::all_of(AValue.begin(), AValue.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    const int n = digits ? AValue.toInt() : 0;
    if (n < TWebsiteProject::kConnectionsMin || n > TWebsiteProject::kConnectionsMax) {
        SetError(AResult, QStringLiteral("-connections needs a number from %1 to %2")
                              .arg(TWebsiteProject::kConnectionsMin)
                              .arg(TWebsiteProject::kConnectionsMax));
        return;
    }
    AResult.Connections = n;
}

void TakeStart(TCommandLine& AResult, const QString& AValue) {
    AResult.HasStart = true;
    AResult.StartNames = AValue;
}

void TakeOutDir(TCommandLine& AResult, const QString& AValue) {
    AResult.HasOutDir = true;
    AResult.OutDir = AValue;
}

using TMode = TSettingsSwitches::TMode;

template <TMode AMode> void TakeSettingsMode(TCommandLine& AResult, const QString&) {
    AResult.Settings.Mode = AMode;
}

template <bool TCommandLine::*AFlag> void SetFlag(TCommandLine& AResult, const QString&) {
    AResult.*AFlag = true;
}

const TSwitchInfo Switches[] = {
    {"-appsettingsdir", nullptr, nullptr, false, spBoth,
     "read tarrow.ini from the program's folder", TakeSettingsMode<TSettingsSwitches::smAppFolder>,
     nullptr},
    {"-usersettingsdir", nullptr, nullptr, false, spBoth,
     "read tarrow.ini from the per-user folder (the default)",
     TakeSettingsMode<TSettingsSwitches::smPerUser>, nullptr},
    {"-settingsdir", nullptr, "DIR", false, spBoth, "read tarrow.ini from DIR", TakeSettingsFolder,
     nullptr},
    {"-config", nullptr, "FILE", false, spBoth,
     "read FILE instead of tarrow.ini; a bare name is read\n"
     "from the program's folder (from DIR with -settingsdir)",
     TakeConfigFile, nullptr},
    {"-outdir", nullptr, "DIR", true, spCli,
     "the output folder ({OutDir}) instead of the file's OutDir", TakeOutDir, NeedsValue},
    {"-proxy", nullptr, "URL", true, spCli,
     "send every request through URL instead of the file's\n"
     "Proxy: http://, socks4:// or socks5:// followed by\n"
     "[user:password@]host:port; without -proxy, TARROW_PROXY\n"
     "in the environment gives it, keeping a password out of\n"
     "the list of processes",
     TakeProxy, NeedsValue},
    {"-connections", nullptr, "N", true, spCli,
     "transfers at once (1 to 16) for every project of this run", TakeConnections, NeedsValue},
    {"-continue", nullptr, nullptr, true, spCli,
     "continue each project's interrupted run from its journal", SetFlag<&TCommandLine::Continue>,
     nullptr},
    {"-start", nullptr, "NAMES", true, spBoth,
     "run the projects named in the comma-separated list NAMES", TakeStart,
     SetFlag<&TCommandLine::StartWithoutNames>},
    {"-close", nullptr, nullptr, true, spWindow, "close the window when the -start run succeeded",
     SetFlag<&TCommandLine::Close>, nullptr},
    {"--help", "-h", nullptr, false, spCli, "show this text", SetFlag<&TCommandLine::Help>,
     nullptr},
    {"--version", nullptr, nullptr, false, spCli, "show the version",
     SetFlag<&TCommandLine::Version>, nullptr},
};

bool Matches(const QString& AArgument, const char* AName, bool AIgnoreCase) {
    return AName && AArgument.compare(QLatin1String(AName),
                                      AIgnoreCase ? Qt::CaseInsensitive : Qt::CaseSensitive) == 0;
}

const TSwitchInfo* FindSwitch(const QString& AArgument) {
    for (const TSwitchInfo& s : Switches)
        if (Matches(AArgument, s.Name, s.IgnoreCase) || Matches(AArgument, s.Alias, s.IgnoreCase))
            return &s;
    return nullptr;
}

// "-settingsdir DIR", "--help, -h"
QString SwitchSpelling(const TSwitchInfo& ASwitch, bool AWithAlias) {
    QString text = QLatin1String(ASwitch.Name);
    if (ASwitch.Value)
        text += u' ' + QLatin1String(ASwitch.Value);
    if (AWithAlias && ASwitch.Alias)
        text += QStringLiteral(", ") + QLatin1String(ASwitch.Alias);
    return text;
}

} // namespace

std::span<const TSwitchInfo> CommandLineSwitches() {
    return Switches;
}

TCommandLine ParseCommandLine(const QStringList& AArguments) {
    TCommandLine result;
    for (qsizetype i = 1; i < AArguments.size(); ++i) {
        const QString& arg = AArguments[i];
        const TSwitchInfo* info = FindSwitch(arg);
        if (!info)
            result.Unknown.append(arg);
        else if (!info->Value)
            info->Take(result, QString());
        else if (i + 1 < AArguments.size())
            info->Take(result, AArguments[++i]);
        else if (info->Missing)
            info->Missing(result, arg);
    }
    if (result.Error.isEmpty() && !result.Unknown.isEmpty())
        result.Error = QStringLiteral("Unknown argument: ") + result.Unknown.first();
    if (result.Error.isEmpty() &&
        (result.StartWithoutNames || (result.HasStart && result.StartNames.isEmpty())))
        result.Error = QStringLiteral("-start needs a list of project names");
    return result;
}

QString SwitchUsage(TSwitchProgram AProgram, int AFirstLineUsed, int AIndent, int AWidth) {
    QString text;
    int column = AFirstLineUsed;
    for (const TSwitchInfo& s : Switches) {
        if (!(s.Programs & AProgram))
            continue;
        const QString item = u'[' + SwitchSpelling(s, false) + u']';
        if (column > AFirstLineUsed && column + 1 + item.size() >= AWidth) {
            text += u'\n' + QString(AIndent, u' ');
            column = AIndent;
        } else if (!text.isEmpty()) {
            text += u' ';
            ++column;
        }
        text += item;
        column += int(item.size());
    }
    return text;
}

QString SwitchHelp(TSwitchProgram AProgram) {
    QString text;
    for (const TSwitchInfo& s : Switches) {
        if (!(s.Programs & AProgram))
            continue;
        QString entry = QStringLiteral("  ") + SwitchSpelling(s, true);
        const QStringList lines = QString::fromUtf8(s.Help).split(u'\n');
        if (entry.size() >= HelpColumn)
            entry += u'\n' + QString(HelpColumn, u' ');
        else
            entry = entry.leftJustified(HelpColumn);
        text += entry + lines.join(u'\n' + QString(HelpColumn, u' ')) + u'\n';
    }
    return text;
}

} // namespace tarrow
