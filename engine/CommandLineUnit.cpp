#include "engine/CommandLineUnit.h"

namespace tarrow {

namespace {

bool IsSwitch(const QString& AArgument, const char* AName, Qt::CaseSensitivity ACase) {
    return AArgument.compare(QLatin1String(AName), ACase) == 0;
}

} // namespace

QString FindStartArgument(const QStringList& AArguments) {
    QString names;
    for (qsizetype i = 0; i + 1 < AArguments.size(); ++i) {
        if (IsSwitch(AArguments[i], "-start", Qt::CaseInsensitive)) {
            names = AArguments[i + 1];
            ++i;
        }
    }
    return names;
}

bool HasCloseArgument(const QStringList& AArguments) {
    for (const QString& argument : AArguments)
        if (IsSwitch(argument, "-close", Qt::CaseInsensitive))
            return true;
    return false;
}

TCommandLine ParseCommandLine(const QStringList& AArguments) {
    TCommandLine result;
    const auto valueOf = [&](qsizetype& i) -> QString {
        if (i + 1 >= AArguments.size()) {
            result.Error = AArguments[i] + QStringLiteral(" needs a value");
            return QString();
        }
        return AArguments[++i];
    };
    for (qsizetype i = 1; i < AArguments.size() && result.Error.isEmpty(); ++i) {
        const QString& a = AArguments[i];
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            result.Help = true;
        } else if (a == QLatin1String("--version")) {
            result.Version = true;
        } else if (IsSwitch(a, "-start", Qt::CaseInsensitive)) {
            result.HasStart = true;
            result.StartNames = valueOf(i);
        } else if (IsSwitch(a, "-outdir", Qt::CaseInsensitive)) {
            result.HasOutDir = true;
            result.OutDir = valueOf(i);
        } else if (a == QLatin1String("-settingsdir") || a == QLatin1String("-config")) {
            // As the settings module reads them: as the last argument they are ignored.
            if (i + 1 < AArguments.size())
                ++i;
        } else if (a == QLatin1String("-appsettingsdir") ||
                   a == QLatin1String("-usersettingsdir") ||
                   IsSwitch(a, "-close", Qt::CaseInsensitive)) {
            // Settings switches are read by the settings module; -close has no meaning here.
        } else {
            result.Error = QStringLiteral("Unknown argument: ") + a;
        }
    }
    if (result.Error.isEmpty() && result.HasStart && result.StartNames.isEmpty())
        result.Error = QStringLiteral("-start needs a list of project names");
    return result;
}

} // namespace tarrow
