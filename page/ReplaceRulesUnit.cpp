#include "page/ReplaceRulesUnit.h"

#include "base/uExceptions.h"

#include <algorithm>

namespace tarrow {

namespace {

// One rule over one subject: matched parts replaced, the rest copied in whole segments.
QByteArray ApplyRule(const TReplaceRules::TRule& ARule, const QByteArray& ASubject) {
    TRegExMatch match(ARule.RegEx);
    if (!match.Search(ASubject, 0))
        return ASubject;
    QByteArray out;
    out.reserve(ASubject.size() + ASubject.size() / 8);
    const qsizetype limit = std::max(TRegExExtractRule::MaxValueSize, ASubject.size() * 2);
    qsizetype pos = 0;
    do {
        const qsizetype start = match.GroupStart(0);
        const std::optional<QByteArray> value =
            ARule.Rule.ExtractValueUpTo(match, limit - out.size() - (start - pos));
        if (!value)
            break; // like a search error: the rest follows unchanged
        out.append(QByteArrayView(ASubject).sliced(pos, start - pos));
        out.append(*value);
        pos = match.GroupEnd(0);
    } while (match.SearchNext());
    out.append(QByteArrayView(ASubject).sliced(pos));
    return out;
}

QString UnexpectedErrorLine(const std::exception& E) {
    if (const auto* own = dynamic_cast<const Exception*>(&E))
        return own->ClassName() + QStringLiteral(": ") + own->Message();
    return QStringLiteral("Exception: ") + QString::fromLocal8Bit(E.what());
}

QString GroupLine(int AGroup, QByteArrayView AText) {
    return QStringLiteral("  $") + QString::number(AGroup) + QStringLiteral(": ") +
           QString::fromUtf8(AText);
}

} // namespace

void TReplaceRules::Add(TRegEx ARegEx, const QString& ARuleText) {
    TRegExExtractRule rule;
    rule.SetText(ARuleText);
    FRules.push_back(TRule{std::move(ARegEx), std::move(rule)});
}

TReplaceRules CompileReplaceRules(const QStringList& APatterns, const QStringList& ARules) {
    TReplaceRules rules;
    for (qsizetype i = 0; i < APatterns.size(); ++i)
        rules.Add(TRegEx(APatterns.at(i)), ARules.value(i));
    return rules;
}

QByteArray ApplyReplaceRules(const TReplaceRules& ARules, QByteArray AUtf8Text) {
    if (ARules.IsEmpty())
        return AUtf8Text;
    // Every search skips PCRE2's own check, so the bytes must be valid UTF-8 before the first.
    if (!AUtf8Text.isValidUtf8())
        AUtf8Text = QString::fromUtf8(AUtf8Text).toUtf8();
    for (const TReplaceRules::TRule& rule : ARules.Rules())
        AUtf8Text = ApplyRule(rule, AUtf8Text);
    return AUtf8Text;
}

QString ApplyReplaceRules(const TReplaceRules& ARules, const QString& AText) {
    if (ARules.IsEmpty())
        return AText;
    return QString::fromUtf8(ApplyReplaceRules(ARules, AText.toUtf8()));
}

TReplaceRuleTestResult TestReplaceRule(const QString& APattern, const QString& ARule,
                                       const QString& ASubject) {
    TReplaceRuleTestResult test;
    test.Lines.append(QStringLiteral("Pattern: ") + APattern);
    try {
        const TRegEx regEx(APattern);
        TRegExExtractRule rule;
        rule.SetText(ARule);
        const QByteArray subject = ASubject.toUtf8();
        TRegExMatch match(regEx);
        QByteArray result;
        qsizetype pos = 0;
        bool found = match.Search(subject, 0);
        if (!found)
            test.Lines.append(QStringLiteral("No matches."));
        for (; found; found = match.SearchNext()) {
            test.Lines.append(QString());
            const QByteArray value = rule.ExtractValue(match);
            result.append(QByteArrayView(subject).sliced(pos, match.GroupStart(0) - pos));
            result.append(value);
            pos = match.GroupEnd(0);
            test.Lines.append(QStringLiteral("Matched text: ") + QString::fromUtf8(match.Group(0)));
            test.Lines.append(QStringLiteral("Replaced by: ") + QString::fromUtf8(value));
            test.Lines.append(QStringLiteral("=== groups ==="));
            for (int k = 0; k < match.GroupCount(); ++k)
                test.Lines.append(GroupLine(k, match.Group(k)));
        }
        result.append(QByteArrayView(subject).sliced(pos));
        test.Result = QString::fromUtf8(result);
        test.ResultValid = true;
    } catch (const ERegExError& E) {
        test.Lines.append(E.Message());
    } catch (const std::exception& E) {
        test.Lines.append(UnexpectedErrorLine(E));
    }
    return test;
}

} // namespace tarrow
