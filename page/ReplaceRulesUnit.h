#pragma once

#include "page/uRegEx.h"
#include "page/uRegExExtract.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

namespace tarrow {

// The compiled replace rules of one crawl, in list order.
class TReplaceRules final {
public:
    struct TRule {
        TRegEx RegEx;
        TRegExExtractRule Rule;
    };

    TReplaceRules() = default;
    TReplaceRules(TReplaceRules&&) noexcept = default;
    TReplaceRules& operator=(TReplaceRules&&) noexcept = default;
    TReplaceRules(const TReplaceRules&) = delete;
    TReplaceRules& operator=(const TReplaceRules&) = delete;

    void Add(TRegEx ARegEx, const QString& ARuleText);
    const std::vector<TRule>& Rules() const { return FRules; }
    bool IsEmpty() const { return FRules.empty(); }

private:
    std::vector<TRule> FRules;
};

// Compiles APatterns[I] with the rule text ARules[I] (empty where ARules is shorter), in order.
// The first pattern that does not compile throws its ERegExError; later ones are not compiled.
TReplaceRules CompileReplaceRules(const QStringList& APatterns, const QStringList& ARules);

// Runs every rule over the text in list order; each rule replaces its matches left to right,
// without overlap, and a later rule sees the output of the earlier ones. A search that PCRE2 ends
// with an error (the match limit, for instance) ends that rule: the rest follows unchanged. So
// does a match whose value would make the rule's output pass MaxValueSize (or twice the text).
// Works on the UTF-8 bytes, so a page is converted once; text that is not valid UTF-8 is first
// repaired (each invalid sequence becomes U+FFFD). A text no rule matches comes back shared.
QByteArray ApplyReplaceRules(const TReplaceRules& ARules, QByteArray AUtf8Text);
QString ApplyReplaceRules(const TReplaceRules& ARules, const QString& AText);

// The test area of the replace-rule dialog: the memo lines ("Pattern: ...", then per match an
// empty line, "Matched text: ...", "Replaced by: ...", "=== groups ===" and "  $K: ..." per
// group, or "No matches."), and the subject with the rule applied. A compile error adds its
// message as one line and leaves ResultValid false (the dialog keeps its previous result).
struct TReplaceRuleTestResult {
    QStringList Lines;
    bool ResultValid = false;
    QString Result;
};
TReplaceRuleTestResult TestReplaceRule(const QString& APattern, const QString& ARule,
                                       const QString& ASubject);

} // namespace tarrow
