#include "engine/CommandLineUnit.h"

#include "base/uURLUtils.h"
#include "http/HTTPClientUnit.h"
#include "http/uProxyURL.h"
#include "project/WebsiteUnit.h"

#include <QUrl>
#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

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

void TakeWarcFile(TCommandLine& AResult, const QString& AValue) {
    AResult.WarcFile = AValue;
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

void TakeProgress(TCommandLine& AResult, const QString& AValue) {
    static const char* const Styles[] = {"auto", "none", "bar", "dots"};
    for (int i = 0; i < 4; ++i)
        if (AValue == QLatin1String(Styles[i])) {
            AResult.Progress = TProgressStyle(i);
            return;
        }
    SetError(AResult, QStringLiteral("--progress needs none, bar or dots"));
}

void TakeLogFormat(TCommandLine& AResult, const QString& AValue) {
    if (AValue != u"plain" && AValue != u"json")
        SetError(AResult, QStringLiteral("--log-format needs plain or json"));
    AResult.JsonLog = AValue == u"json";
}

void TakeLogFile(TCommandLine& AResult, const QString& AValue) {
    AResult.LogFile = AValue;
}

void TakeSaveProject(TCommandLine& AResult, const QString& AValue) {
    if (AValue.trimmed().isEmpty())
        SetError(AResult, QStringLiteral("--save-project needs a project name"));
    AResult.SaveProject = AValue.trimmed();
}

// Project options: each is checked on a scratch project when read, so that a bad value is a
// usage error before anything runs.
template <TProjectSetter ASet>
void TakeProjectOption(TCommandLine& AResult, const QString& AValue) {
    TWebsiteProject probe;
    const QString problem = ASet(probe, AValue);
    if (!problem.isEmpty())
        SetError(AResult, problem);
    else
        AResult.ProjectOptions.append({ASet, AValue});
}

// Plain decimal digits only, 0 .. AMax.
bool ReadCount(const QString& AValue, int AMax, int& ACount) {
    if (AValue.isEmpty() || AValue.size() > 10 ||
        !std::all_of(AValue.begin(), AValue.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return false;
    const qlonglong n = AValue.toLongLong();
    if (n > AMax)
        return false;
    ACount = int(n);
    return true;
}

QString CountError(const char* AOption, int AMax) {
    return QStringLiteral("%1 needs a number from 0 to %2").arg(QLatin1String(AOption)).arg(AMax);
}

// Every start page follows links ADepth steps; a project without start pages gets its website
// URL as one.
QString SetDepth(TWebsiteProject& P, const QString& AValue) {
    int depth = 0;
    if (!ReadCount(AValue, 1000, depth))
        return CountError("--depth", 1000);
    if (P.WebPages().isEmpty() && !P.WebsiteURL().isEmpty()) {
        P.WebPages().append(WithRootPath(P.WebsiteURL()));
        P.WPExtractURLs().Add(depth);
    }
    for (int i = 0; i < P.WPExtractURLs().Count(); ++i)
        P.WPExtractURLs().SetValue(i, depth);
    return QString();
}

template <void (TWebsiteProject::*ASet)(bool), bool AValue>
QString SetSwitch(TWebsiteProject& P, const QString&) {
    (P.*ASet)(AValue);
    return QString();
}

template <void (TWebsiteProject::*ASet)(const QString&)>
QString SetText(TWebsiteProject& P, const QString& AValue) {
    (P.*ASet)(AValue);
    return QString();
}

template <QStringList& (TWebsiteProject::*AList)()>
QString AddEntry(TWebsiteProject& P, const QString& AValue) {
    if (AValue.isEmpty())
        return QStringLiteral("an option for a list needs a value that is not empty");
    (P.*AList)().append(AValue);
    return QString();
}

QString SetAbsoluteLinks(TWebsiteProject& P, const QString&) {
    P.SetRelativePathLinks(false);
    return QString();
}

QString SetBaseURL(TWebsiteProject& P, const QString& AValue) {
    P.SetBaseURL(AValue);
    P.SetRelativePathLinks(false); // links point at the base URL, not at the files
    return QString();
}

QString SetOverwrite(TWebsiteProject& P, const QString& AValue) {
    static const char* const Policies[] = {"none", "all", "changed"};
    for (int i = 0; i < 3; ++i)
        if (AValue == QLatin1String(Policies[i])) {
            P.SetOverwrite(TOverwriteFile(i));
            return QString();
        }
    return QStringLiteral("--overwrite needs none, all or changed");
}

// "PATTERN=RULE" and "PREFIX=FOLDER": cut at the first "=", the first part not empty.
template <QStringList& (TWebsiteProject::*AFirst)(), QStringList& (TWebsiteProject::*ASecond)()>
QString AddPair(TWebsiteProject& P, const QString& AValue) {
    const qsizetype cut = AValue.indexOf(u'=');
    if (cut <= 0)
        return QStringLiteral("--replace and --download need a value of the form A=B");
    (P.*AFirst)().append(AValue.left(cut));
    (P.*ASecond)().append(AValue.mid(cut + 1));
    return QString();
}

QString SetAlias(TWebsiteProject& P, const QString& AValue) {
    if (AValue.trimmed().isEmpty())
        return QStringLiteral("--alias needs a host name");
    P.WebsiteDomainAliases().append(AValue.trimmed());
    return QString();
}

QString AddHeader(TWebsiteProject& P, const QString& AValue) {
    const QString problem = RequestHeaderProblem(AValue);
    if (!problem.isEmpty())
        return QStringLiteral("--header: ") + problem;
    P.RequestHeaders().append(AValue.trimmed());
    return QString();
}

template <void (TWebsiteProject::*ASet)(int), int AMax, const char* AName>
QString SetCount(TWebsiteProject& P, const QString& AValue) {
    int n = 0;
    if (!ReadCount(AValue, AMax, n))
        return CountError(AName, AMax);
    (P.*ASet)(n);
    return QString();
}

constexpr char WaitName[] = "--wait";
constexpr char MaxFilesName[] = "--max-files";
constexpr char MaxBytesName[] = "--max-bytes";
constexpr char MaxSecondsName[] = "--max-seconds";
constexpr int IntMax = std::numeric_limits<int>::max();

using P = TWebsiteProject;

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
    {"-outdir", "--output", "DIR", true, spCli,
     "the output folder ({OutDir}) instead of the file's\n"
     "OutDir; for web addresses, the folder of the copy\n"
     "(default: one named after the host in the current folder)",
     TakeOutDir, NeedsValue, "o"},
    {"-proxy", nullptr, "URL", true, spCli,
     "send every request through URL instead of the file's\n"
     "Proxy: http://, socks4:// or socks5:// followed by\n"
     "[user:password@]host:port; without -proxy, TARROW_PROXY\n"
     "in the environment gives it, keeping a password out of\n"
     "the list of processes",
     TakeProxy, NeedsValue},
    {"-connections", nullptr, "N", true, spCli,
     "transfers at once (1 to 16) for every project of this run", TakeConnections, NeedsValue,
     "cj"},
    {"-warc", nullptr, "FILE", true, spCli,
     "write every request and reply to the WARC file FILE\n"
     "({OutDir} and {ProjectName} allowed) instead of the\n"
     "project's WarcFile",
     TakeWarcFile, NeedsValue},
    {"-continue", nullptr, nullptr, true, spCli,
     "continue each project's interrupted run from its journal", SetFlag<&TCommandLine::Continue>,
     nullptr},
    {"-start", nullptr, "NAMES", true, spBoth,
     "run the projects named in the comma-separated list NAMES", TakeStart,
     SetFlag<&TCommandLine::StartWithoutNames>},
    {"-close", nullptr, nullptr, true, spWindow, "close the window when the -start run succeeded",
     SetFlag<&TCommandLine::Close>, nullptr},
    {"--save-project", nullptr, "NAME", false, spCli,
     "add the project of the web address to the settings file\n"
     "as NAME, then run it",
     TakeSaveProject, NeedsValue},
    // Project options: for the projects of web addresses, and over the file's values for a run
    // of the settings file.
    {"--depth", nullptr, "N", false, spCli,
     "follow links N steps from the start pages (0: only them)", TakeProjectOption<SetDepth>,
     NeedsValue, "l"},
    {"--no-complete-pages", nullptr, nullptr, false, spCli,
     "no style sheets, responsive images and media of pages",
     TakeProjectOption<SetSwitch<&P::SetCompletePages, false>>, nullptr},
    {"--absolute-links", nullptr, nullptr, false, spCli,
     "file:/// links in the copy instead of relative ones", TakeProjectOption<SetAbsoluteLinks>,
     nullptr},
    {"--base-url", nullptr, "URL", false, spCli, "links of the copy point under URL",
     TakeProjectOption<SetBaseURL>, NeedsValue},
    {"--index-file", nullptr, "NAME", false, spCli, "the file name of a folder's page (index.html)",
     TakeProjectOption<SetText<&P::SetIndexFile>>, NeedsValue},
    {"--overwrite", nullptr, "WHICH", false, spCli,
     "existing files: none, all or changed (the default)", TakeProjectOption<SetOverwrite>,
     NeedsValue},
    {"--remove-scripts", nullptr, nullptr, false, spCli, "drop <script> elements of pages",
     TakeProjectOption<SetSwitch<&P::SetRemoveScripts, true>>, nullptr},
    {"--remove-noscripts", nullptr, nullptr, false, spCli, "drop <noscript> elements of pages",
     TakeProjectOption<SetSwitch<&P::SetRemoveNoscripts, true>>, nullptr},
    {"--suppress", nullptr, "TEXT", false, spCli, "skip URLs that contain TEXT",
     TakeProjectOption<AddEntry<&P::SuppressURLs>>, NeedsValue},
    {"--replace", nullptr, "PATTERN=RULE", false, spCli,
     "replace what the regular expression PATTERN finds\n"
     "in pages by RULE",
     TakeProjectOption<AddPair<&P::ReplacePatterns, &P::ReplaceRules>>, NeedsValue},
    {"--download", nullptr, "PREFIX=FOLDER", false, spCli,
     "save files whose URL starts with PREFIX in FOLDER",
     TakeProjectOption<AddPair<&P::WebDocuments, &P::WDOutFolders>>, NeedsValue},
    {"--alias", nullptr, "HOST", false, spCli, "HOST is the website's host too",
     TakeProjectOption<SetAlias>, NeedsValue},
    {"--include", nullptr, "RE", false, spCli,
     "take only URLs the regular expression RE finds\n"
     "(or another --include's)",
     TakeProjectOption<AddEntry<&P::IncludePatterns>>, NeedsValue},
    {"--exclude", nullptr, "RE", false, spCli, "skip URLs the regular expression RE finds",
     TakeProjectOption<AddEntry<&P::ExcludePatterns>>, NeedsValue},
    {"--wait", nullptr, "MS", false, spCli, "milliseconds between two requests to a host",
     TakeProjectOption<SetCount<&P::SetWaitMs, P::kWaitMsMax, WaitName>>, NeedsValue},
    {"--robots", nullptr, nullptr, false, spCli, "obey robots.txt (the default)",
     TakeProjectOption<SetSwitch<&P::SetRobots, true>>, nullptr},
    {"--no-robots", nullptr, nullptr, false, spCli, "ignore robots.txt",
     TakeProjectOption<SetSwitch<&P::SetRobots, false>>, nullptr},
    {"--user-agent", nullptr, "TEXT", false, spCli, "send TEXT as the user agent",
     TakeProjectOption<SetText<&P::SetUserAgent>>, NeedsValue},
    {"--header", nullptr, "LINE", false, spCli, "send the header \"Name: value\" too",
     TakeProjectOption<AddHeader>, NeedsValue},
    {"--cookies", nullptr, "FILE", false, spCli, "send the cookies of FILE (Netscape format)",
     TakeProjectOption<SetText<&P::SetCookiesFile>>, NeedsValue},
    {"--max-files", nullptr, "N", false, spCli, "stop a project after N saved files",
     TakeProjectOption<SetCount<&P::SetMaxFiles, IntMax, MaxFilesName>>, NeedsValue},
    {"--max-bytes", nullptr, "MB", false, spCli, "stop a project after MB megabytes received",
     TakeProjectOption<SetCount<&P::SetMaxBytesMB, IntMax, MaxBytesName>>, NeedsValue},
    {"--max-seconds", nullptr, "N", false, spCli, "stop a project after N seconds",
     TakeProjectOption<SetCount<&P::SetMaxSeconds, IntMax, MaxSecondsName>>, NeedsValue},
    {"--drop-query", nullptr, "PARAMS", false, spCli,
     "remove these \";\"-separated query parameters (\"*\" for\n"
     "any text) from URLs",
     TakeProjectOption<SetText<&P::SetDropQueryParams>>, NeedsValue},
    {"--sitemaps", nullptr, nullptr, false, spCli, "read the sites' sitemaps for more URLs",
     TakeProjectOption<SetSwitch<&P::SetSitemaps, true>>, nullptr},
    {"--no-trap-guard", nullptr, nullptr, false, spCli,
     "take very long, deep and self-repeating URLs too",
     TakeProjectOption<SetSwitch<&P::SetTrapGuard, false>>, nullptr},
    {"--retry-all", nullptr, nullptr, false, spCli,
     "retry every failure, not only those that may pass",
     TakeProjectOption<SetSwitch<&P::SetRetryTransientOnly, false>>, nullptr},
    {"--no-verify-tls", nullptr, nullptr, false, spCli, "accept any certificate and TLS below 1.2",
     TakeProjectOption<SetSwitch<&P::SetVerifyTLS, false>>, nullptr},
    {"--no-journal", nullptr, nullptr, false, spCli,
     "keep no journal of the run (so no --continue and\n"
     "no conditional update)",
     TakeProjectOption<SetSwitch<&P::SetJournal, false>>, nullptr},
    {"--no-conditional-get", nullptr, nullptr, false, spCli,
     "download every file again instead of asking what changed",
     TakeProjectOption<SetSwitch<&P::SetConditionalGet, false>>, nullptr},
    // Output.
    {"--quiet", nullptr, nullptr, false, spCli, "log only errors and the summary",
     SetFlag<&TCommandLine::Quiet>, nullptr, "q"},
    {"--verbose", nullptr, nullptr, false, spCli,
     "the whole log and each transfer's heads (undoes -q)", SetFlag<&TCommandLine::Verbose>,
     nullptr, "v"},
    {"--progress", nullptr, "STYLE", false, spCli,
     "the progress on standard error: none, bar or dots\n"
     "(default: bar on a terminal, else none)",
     TakeProgress, NeedsValue},
    {"--log-format", nullptr, "FORMAT", false, spCli, "plain, or json: one JSON object a line",
     TakeLogFormat, NeedsValue},
    {"--log-file", nullptr, "FILE", false, spCli, "write the plain log to FILE too", TakeLogFile,
     NeedsValue},
    {"--help", "-h", nullptr, false, spBoth, "show this text", SetFlag<&TCommandLine::Help>,
     nullptr},
    {"--version", nullptr, nullptr, false, spBoth, "show the version",
     SetFlag<&TCommandLine::Version>, nullptr, "V"},
};

bool Matches(const QString& AArgument, const char* AName, bool AIgnoreCase) {
    return AName && AArgument.compare(QLatin1String(AName),
                                      AIgnoreCase ? Qt::CaseInsensitive : Qt::CaseSensitive) == 0;
}

bool IsLegacyName(const char* AName) {
    return AName[0] == '-' && AName[1] != '-';
}

bool MatchesShort(const QString& AArgument, const char* AShorts) {
    return AShorts && AArgument.size() == 2 && AArgument[0] == u'-' &&
           AArgument[1].unicode() < 128 && AArgument[1] != u'\0' &&
           std::strchr(AShorts, char(AArgument[1].unicode())) != nullptr;
}

const TSwitchInfo* FindSwitch(const QString& AArgument) {
    for (const TSwitchInfo& s : Switches)
        if (Matches(AArgument, s.Name, s.IgnoreCase) || Matches(AArgument, s.Alias, s.IgnoreCase) ||
            (IsLegacyName(s.Name) && AArgument.startsWith(QLatin1String("--")) &&
             Matches(AArgument.mid(1), s.Name, s.IgnoreCase)) ||
            MatchesShort(AArgument, s.Shorts))
            return &s;
    return nullptr;
}

// "-settingsdir DIR", "--help, -h", "-outdir DIR, --output, -o"
QString SwitchSpelling(const TSwitchInfo& ASwitch, bool AWithAlias) {
    QString text = QLatin1String(ASwitch.Name);
    if (ASwitch.Value)
        text += u' ' + QLatin1String(ASwitch.Value);
    if (AWithAlias && ASwitch.Alias)
        text += QStringLiteral(", ") + QLatin1String(ASwitch.Alias);
    for (const char* c = ASwitch.Shorts; AWithAlias && c && *c; ++c)
        text += QStringLiteral(", -") + QLatin1Char(*c);
    return text;
}

qsizetype EditDistance(const QString& A, const QString& B) {
    std::vector<qsizetype> row(size_t(B.size()) + 1);
    for (size_t j = 0; j < row.size(); ++j)
        row[j] = qsizetype(j);
    for (qsizetype i = 1; i <= A.size(); ++i) {
        qsizetype diagonal = row[0];
        row[0] = i;
        for (qsizetype j = 1; j <= B.size(); ++j) {
            const qsizetype above = row[size_t(j)];
            const bool same = A[i - 1].toLower() == B[j - 1].toLower();
            row[size_t(j)] =
                std::min({above + 1, row[size_t(j - 1)] + 1, diagonal + (same ? 0 : 1)});
            diagonal = above;
        }
    }
    return row.back();
}

// The spelling of a tarrow-cli switch nearest to AArgument, or empty when none is near.
QString ClosestSwitch(const QString& AArgument) {
    const QString name = AArgument.section(u'=', 0, 0).left(MaxSwitchText);
    QString best;
    qsizetype bestDistance = std::max<qsizetype>(2, name.size() / 3) + 1;
    for (const TSwitchInfo& s : Switches) {
        if (!(s.Programs & spCli))
            continue;
        for (const QString& spelling : SwitchSpellings(s)) {
            const qsizetype distance = EditDistance(name, spelling);
            if (spelling.size() > 2 && distance < bestDistance) {
                best = spelling;
                bestDistance = distance;
            }
        }
    }
    return best;
}

// A web address of a one-off run: http:// or https:// with a host; a bare "host.name/path"
// gets http://.
QString WebAddress(const QString& AArgument) {
    QString url = AArgument.trimmed();
    if (!url.contains(QLatin1String("://")))
        url.prepend(QLatin1String("http://"));
    const QUrl parsed(url, QUrl::StrictMode);
    const QString scheme = parsed.scheme().toLower();
    if (!parsed.isValid() || (scheme != u"http" && scheme != u"https") || parsed.host().isEmpty() ||
        (!AArgument.contains(QLatin1String("://")) && !parsed.host().contains(u'.') &&
         parsed.host() != u"localhost"))
        return QString();
    return url;
}

void TakeOperand(TCommandLine& AResult, const QString& AArgument) {
    const QString url = WebAddress(AArgument);
    if (url.isEmpty())
        SetError(AResult, QStringLiteral("Not a web address: %1 (give http:// or https:// "
                                         "addresses, or switches starting with -)")
                              .arg(AArgument.left(MaxSwitchText)));
    else
        AResult.URLs.append(url);
}

void TakeSwitch(TCommandLine& AResult, const QStringList& AArguments, qsizetype& AIndex) {
    const QString& arg = AArguments[AIndex];
    const qsizetype equals = arg.startsWith(QLatin1String("--")) ? arg.indexOf(u'=') : -1;
    const QString name = equals < 0 ? arg : arg.left(equals);
    const TSwitchInfo* info = FindSwitch(name);
    if (!info) {
        AResult.Unknown.append(arg);
        QString error = QStringLiteral("Unknown argument: ") + arg.left(MaxSwitchText);
        const QString closest = ClosestSwitch(arg);
        if (!closest.isEmpty())
            error += QStringLiteral("; did you mean %1?").arg(closest);
        SetError(AResult, error);
        return;
    }
    if (equals >= 0 && !info->Value)
        SetError(AResult, name + QStringLiteral(" takes no value"));
    else if (!info->Value)
        info->Take(AResult, QString());
    else if (equals >= 0)
        info->Take(AResult, arg.mid(equals + 1));
    else if (AIndex + 1 < AArguments.size())
        info->Take(AResult, AArguments[++AIndex]);
    else if (info->Missing)
        info->Missing(AResult, name);
}

} // namespace

std::span<const TSwitchInfo> CommandLineSwitches() {
    return Switches;
}

QStringList SwitchSpellings(const TSwitchInfo& ASwitch) {
    QStringList spellings{QLatin1String(ASwitch.Name)};
    if (IsLegacyName(ASwitch.Name))
        spellings.append(u'-' + QLatin1String(ASwitch.Name));
    if (ASwitch.Alias)
        spellings.append(QLatin1String(ASwitch.Alias));
    for (const char* c = ASwitch.Shorts; c && *c; ++c)
        spellings.append(QStringLiteral("-") + QLatin1Char(*c));
    return spellings;
}

TCommandLine ParseCommandLine(const QStringList& AArguments) {
    TCommandLine result;
    bool optionsEnded = false;
    for (qsizetype i = 1; i < AArguments.size(); ++i) {
        const QString& arg = AArguments[i];
        if (!optionsEnded && arg == u"--")
            optionsEnded = true;
        else if (optionsEnded || !arg.startsWith(u'-') || arg == u"-")
            TakeOperand(result, arg);
        else
            TakeSwitch(result, AArguments, i);
    }
    if (result.Error.isEmpty() &&
        (result.StartWithoutNames || (result.HasStart && result.StartNames.isEmpty())))
        result.Error = QStringLiteral("-start needs a list of project names");
    if (result.Error.isEmpty() && !result.SaveProject.isEmpty() && result.URLs.size() != 1)
        result.Error = QStringLiteral("--save-project needs one web address");
    if (result.Error.isEmpty() && !result.URLs.isEmpty() && result.HasStart)
        result.Error =
            QStringLiteral("-start runs projects of the settings file, not web addresses");
    return result;
}

void ApplyProjectOptions(const QList<TProjectOption>& AOptions, TWebsiteProject& AProject) {
    for (const TProjectOption& option : AOptions)
        option.Set(AProject, option.Value);
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
