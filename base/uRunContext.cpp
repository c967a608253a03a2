#include "base/uRunContext.h"

#include "base/uExceptions.h"
#include "base/uStrUtils.h"

namespace tarrow {

namespace {

bool EndsAuthority(QChar AChar) {
    return AChar == u'/' || AChar == u'?' || AChar == u'#' || AChar == u'"' || AChar == u'\'' ||
           AChar == u'<' || AChar == u'>' || AChar.isSpace();
}

} // namespace

QString HideURLPasswords(const QString& AText) {
    static const QLatin1String Separator("://");
    QString result;
    qsizetype from = 0;
    for (qsizetype p = AText.indexOf(Separator); p >= 0; p = AText.indexOf(Separator, from)) {
        const qsizetype start = p + Separator.size();
        qsizetype end = start;
        while (end < AText.size() && !EndsAuthority(AText.at(end)))
            ++end;
        const QStringView authority = QStringView(AText).mid(start, end - start);
        const qsizetype at = authority.lastIndexOf(u'@');
        const qsizetype colon = at < 0 ? -1 : authority.left(at).indexOf(u':');
        if (colon >= 0 && colon + 1 < at) {
            result.append(QStringView(AText).mid(from, start + colon + 1 - from))
                .append(QLatin1String("***"));
            from = start + at;
        }
        result.append(QStringView(AText).mid(from, end - from));
        from = end;
    }
    return result.append(QStringView(AText).mid(from));
}

void TRunContext::Log(const QString& AMsg) const {
    if (AMsg.isEmpty() || !FLogSink)
        return;
    // A server chooses much of what is logged: its control characters never reach a terminal.
    // A password given in a URL is the user's: it never reaches the log.
    FLogSink->LogMsg(EscapeLogControls(HideURLPasswords(AMsg)));
}

QString TRunContext::FormatExceptionLine(const QString& AMessage) {
    constexpr qsizetype MaxLength = 1023;
    QString text = AMessage;
    if (!text.isEmpty() && text.back().unicode() > u'.')
        text.append(u'.');
    if (text.endsWith(QLatin1String("\n.")))
        text.chop(1);
    while (text.endsWith(u'\r') || text.endsWith(u'\n'))
        text.chop(1);
    if (text.size() > MaxLength) {
        // Never leave half of a surrogate pair at the cut.
        const bool splitsPair = text.at(MaxLength - 1).isHighSurrogate();
        text.truncate(splitsPair ? MaxLength - 1 : MaxLength);
    }
    return text;
}

QString TRunContext::ExceptionLine(const std::exception& E) {
    QString line = FormatExceptionLine(ExceptionMessage(E));
    if (line.isEmpty()) {
        const auto* own = dynamic_cast<const Exception*>(&E);
        line = own ? own->ClassName() : QStringLiteral("Exception");
    }
    return line;
}

void TRunContext::LogException(const std::exception& E) const {
    Log(ExceptionLine(E));
}

} // namespace tarrow
