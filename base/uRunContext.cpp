#include "base/uRunContext.h"

#include "base/uExceptions.h"
#include "base/uStrUtils.h"

namespace tarrow {

void TRunContext::Log(const QString& AMsg) const {
    if (AMsg.isEmpty() || !FLogSink)
        return;
    // A server chooses much of what is logged: its control characters never reach a terminal.
    FLogSink->LogMsg(EscapeLogControls(AMsg));
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
