#include "engine/CommandLineUnit.h"

#include "http/uProxyURL.h"
#include "project/WebsiteUnit.h"

#include <algorithm>

namespace tarrow {

namespace {

constexpr qsizetype MaxSwitchText = 260;

bool IsSwitch(const QString& AArgument, const char* AName, Qt::CaseSensitivity ACase) {
    return AArgument.compare(QLatin1String(AName), ACase) == 0;
}

// The settings switches, as the settings location reads them; false when AArg is none of them.
bool TakeSettingsSwitch(const QStringList& AArgs, qsizetype& AIndex, TSettingsSwitches& ASwitches) {
    const QString& arg = AArgs[AIndex];
    const bool hasNext = AIndex + 1 < AArgs.size();
    if (arg == u"-appsettingsdir") {
        ASwitches.Mode = TSettingsSwitches::smAppFolder;
    } else if (arg == u"-usersettingsdir") {
        ASwitches.Mode = TSettingsSwitches::smPerUser;
    } else if (arg == u"-settingsdir") {
        if (hasNext) {
            ASwitches.GivenFolder = AArgs[++AIndex].left(MaxSwitchText);
            ASwitches.Mode = TSettingsSwitches::smGivenFolder;
        }
    } else if (arg == u"-config") {
        if (hasNext) {
            ASwitches.GivenFileName = AArgs[++AIndex].left(MaxSwitchText);
            if (!ASwitches.GivenFileName.isEmpty() &&
                ASwitches.Mode == TSettingsSwitches::smPerUser)
                ASwitches.Mode = TSettingsSwitches::smAppFolder;
        }
    } else {
        return false;
    }
    return true;
}

void SetError(TCommandLine& AResult, const QString& AError) {
    if (AResult.Error.isEmpty())
        AResult.Error = AError;
}

void TakeProxy(const QString& AValue, TCommandLine& AResult) {
    try {
        ParseProxyURL(AValue);
    } catch (const EProxyURLError& E) {
        SetError(AResult, QStringLiteral("-proxy: ") + E.Message());
        return;
    }
    AResult.HasProxy = true;
    AResult.Proxy = AValue;
}

void TakeConnections(const QString& AValue, TCommandLine& AResult) {
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

// -proxy and -connections; false when AArg is neither.
bool TakeNetworkSwitch(const QStringList& AArgs, qsizetype& AIndex, TCommandLine& AResult) {
    const QString& arg = AArgs[AIndex];
    const bool proxy = IsSwitch(arg, "-proxy", Qt::CaseInsensitive);
    if (!proxy && !IsSwitch(arg, "-connections", Qt::CaseInsensitive))
        return false;
    if (AIndex + 1 >= AArgs.size()) {
        SetError(AResult, arg + QStringLiteral(" needs a value"));
        return true;
    }
    const QString& value = AArgs[++AIndex];
    if (proxy)
        TakeProxy(value, AResult);
    else
        TakeConnections(value, AResult);
    return true;
}

// -start, -close and -outdir; false when AArg is none of them.
bool TakeRunSwitch(const QStringList& AArgs, qsizetype& AIndex, TCommandLine& AResult) {
    const QString& arg = AArgs[AIndex];
    const bool hasNext = AIndex + 1 < AArgs.size();
    if (IsSwitch(arg, "-start", Qt::CaseInsensitive)) {
        if (hasNext) {
            AResult.HasStart = true;
            AResult.StartNames = AArgs[++AIndex];
        } else {
            AResult.StartWithoutNames = true;
        }
    } else if (IsSwitch(arg, "-close", Qt::CaseInsensitive)) {
        AResult.Close = true;
    } else if (IsSwitch(arg, "-outdir", Qt::CaseInsensitive)) {
        if (hasNext) {
            AResult.HasOutDir = true;
            AResult.OutDir = AArgs[++AIndex];
        } else if (AResult.Error.isEmpty()) {
            AResult.Error = arg + QStringLiteral(" needs a value");
        }
    } else {
        return false;
    }
    return true;
}

} // namespace

TCommandLine ParseCommandLine(const QStringList& AArguments) {
    TCommandLine result;
    for (qsizetype i = 1; i < AArguments.size(); ++i) {
        const QString& a = AArguments[i];
        if (TakeSettingsSwitch(AArguments, i, result.Settings) ||
            TakeRunSwitch(AArguments, i, result) || TakeNetworkSwitch(AArguments, i, result))
            continue;
        if (a == u"--help" || a == u"-h")
            result.Help = true;
        else if (a == u"--version")
            result.Version = true;
        else
            result.Unknown.append(a);
    }
    if (result.Error.isEmpty() && !result.Unknown.isEmpty())
        result.Error = QStringLiteral("Unknown argument: ") + result.Unknown.first();
    if (result.Error.isEmpty() &&
        (result.StartWithoutNames || (result.HasStart && result.StartNames.isEmpty())))
        result.Error = QStringLiteral("-start needs a list of project names");
    return result;
}

} // namespace tarrow
