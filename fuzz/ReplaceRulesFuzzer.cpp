// Replace rules with any pattern, any replacement text and any subject: compiling raises at most
// ERegExError, every search is bounded by the match limit, and the result stays valid UTF-8.
#include "fuzz/FuzzSupport.h"
#include "page/ReplaceRulesUnit.h"

#include <QStringDecoder>

using namespace tarrow;
using namespace tarrow::fuzz;

namespace {

constexpr qsizetype PatternLimit = 512;
constexpr qsizetype SubjectLimit = 16 << 10;

bool IsValidUtf8(const QByteArray& AText) {
    QStringDecoder decoder(QStringConverter::Utf8);
    const QString text = decoder(AText);
    return !decoder.hasError();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize) {
    TFuzzInput in(AData, ASize);
    const bool twoRules = in.Byte() & 1;
    const QString pattern = in.Text().left(PatternLimit);
    const QString rule = in.Text().left(PatternLimit);
    const QString pattern2 = in.Text().left(PatternLimit);
    const QString rule2 = in.Text().left(PatternLimit);
    const QByteArray subject = in.Rest().left(SubjectLimit); // raw bytes: not always UTF-8

    QStringList patterns{pattern};
    QStringList rules{rule};
    if (twoRules) {
        patterns.append(pattern2);
        rules.append(rule2);
    }
    TReplaceRules compiled;
    try {
        compiled = CompileReplaceRules(patterns, rules);
    } catch (const ERegExError&) {
        return 0;
    }
    const QByteArray result = ApplyReplaceRules(compiled, subject);
    FUZZ_CHECK(IsValidUtf8(result), QString::fromUtf8(pattern.toUtf8().toHex()));
    ApplyReplaceRules(compiled, QString::fromUtf8(subject));
    // The rule dialog's test area runs the first rule on its own.
    TestReplaceRule(pattern, rule, QString::fromUtf8(subject.left(1024)));
    return 0;
}
