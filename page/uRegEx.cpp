#include "page/uRegEx.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

namespace tarrow {

namespace {

// The interpreter's backtracking memory, in KiB; the JIT's stack, in bytes. Both bound a search
// as the match limit does: a pattern that needs more ends as "no further match".
constexpr uint32_t HeapLimitKiB = 64 * 1024;
constexpr size_t JITStackStart = 32 * 1024;
constexpr size_t JITStackMax = 8 * 1024 * 1024;

struct TCompileContextFree {
    void operator()(pcre2_compile_context* P) const { pcre2_compile_context_free(P); }
};

QString CompileErrorMessage(int AErrorCode, PCRE2_SIZE AOffset) {
    PCRE2_UCHAR text[256];
    const int length = pcre2_get_error_message(AErrorCode, text, sizeof(text));
    const QString message = length < 0
                                ? QString::number(AErrorCode)
                                : QString::fromUtf8(reinterpret_cast<const char*>(text), length);
    return QStringLiteral("Error in regular expression at offset ") + QString::number(AOffset) +
           QStringLiteral(": ") + message;
}

} // namespace

void TRegEx::TCodeFree::operator()(pcre2_code* P) const {
    pcre2_code_free(P);
}

TRegEx::TRegEx(const QString& APattern, bool AUseJIT) {
    if (APattern.isEmpty())
        throw ERegExError(QStringLiteral("A regular expression specified in RegEx is required"));
    const QByteArray pattern = APattern.toUtf8();
    std::unique_ptr<pcre2_compile_context, TCompileContextFree> context(
        pcre2_compile_context_create(nullptr));
    if (!context)
        throw std::bad_alloc();
    pcre2_set_newline(context.get(), PCRE2_NEWLINE_ANY);
    int errorCode = 0;
    PCRE2_SIZE errorOffset = 0;
    FCode.reset(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.constData()),
                              PCRE2_SIZE(pattern.size()),
                              PCRE2_CASELESS | PCRE2_UTF | PCRE2_NEVER_BACKSLASH_C, &errorCode,
                              &errorOffset, context.get()));
    if (!FCode)
        throw ERegExError(CompileErrorMessage(errorCode, errorOffset));
    FUsesJIT = AUseJIT && pcre2_jit_compile(FCode.get(), PCRE2_JIT_COMPLETE) == 0;
}

TRegEx::TRegEx(TRegEx&&) noexcept = default;
TRegEx& TRegEx::operator=(TRegEx&&) noexcept = default;
TRegEx::~TRegEx() = default;

void TRegExMatch::TFree::operator()(pcre2_match_data* P) const {
    pcre2_match_data_free(P);
}
void TRegExMatch::TFree::operator()(pcre2_match_context* P) const {
    pcre2_match_context_free(P);
}
void TRegExMatch::TFree::operator()(pcre2_jit_stack* P) const {
    pcre2_jit_stack_free(P);
}

TRegExMatch::TRegExMatch(const TRegEx& ARegEx)
    : FRegEx(ARegEx), FMatchData(pcre2_match_data_create(100, nullptr)),
      FContext(pcre2_match_context_create(nullptr)) {
    if (!FMatchData || !FContext)
        throw std::bad_alloc();
    pcre2_set_match_limit(FContext.get(), MatchLimit);
    pcre2_set_heap_limit(FContext.get(), HeapLimitKiB);
    if (ARegEx.UsesJIT()) {
        FJITStack.reset(pcre2_jit_stack_create(JITStackStart, JITStackMax, nullptr));
        // Without a stack of its own the JIT uses a small one on the machine stack.
        if (FJITStack)
            pcre2_jit_stack_assign(FContext.get(), nullptr, FJITStack.get());
    }
}

TRegExMatch::~TRegExMatch() = default;

bool TRegExMatch::Search(QByteArrayView ASubject, qsizetype AStart) {
    FSubject = ASubject;
    FGroupCount = 0;
    if (AStart < 0 || AStart > ASubject.size())
        return false;
    const char* data = ASubject.data() ? ASubject.data() : "";
    // The subject is valid UTF-8 by contract: checking it on every search would make a page
    // with many matches cost quadratic time.
    const int rc =
        pcre2_match(FRegEx.Code(), reinterpret_cast<PCRE2_SPTR>(data), PCRE2_SIZE(ASubject.size()),
                    PCRE2_SIZE(AStart), PCRE2_NO_UTF_CHECK, FMatchData.get(), FContext.get());
    // rc 0: a group beyond the 100 that the match data holds took part.
    if (rc <= 0)
        return false;
    const PCRE2_SIZE* offsets = pcre2_get_ovector_pointer(FMatchData.get());
    if (offsets[0] > offsets[1] || offsets[0] < PCRE2_SIZE(AStart))
        return false;
    FGroupCount = rc;
    return true;
}

bool TRegExMatch::SearchNext() {
    if (!Matched())
        return false;
    qsizetype from = GroupEnd(0);
    if (from == GroupStart(0)) {
        // After an empty match, one whole character further on.
        if (from >= FSubject.size())
            return false;
        ++from;
        while (from < FSubject.size() && (uchar(FSubject[from]) & 0xC0) == 0x80)
            ++from;
    }
    return Search(FSubject, from);
}

qsizetype TRegExMatch::GroupStart(int AGroup) const {
    if (AGroup < 0 || AGroup >= FGroupCount)
        return -1;
    const PCRE2_SIZE start = pcre2_get_ovector_pointer(FMatchData.get())[2 * AGroup];
    return start == PCRE2_UNSET ? -1 : qsizetype(start);
}

qsizetype TRegExMatch::GroupEnd(int AGroup) const {
    if (AGroup < 0 || AGroup >= FGroupCount)
        return -1;
    const PCRE2_SIZE end = pcre2_get_ovector_pointer(FMatchData.get())[2 * AGroup + 1];
    return end == PCRE2_UNSET ? -1 : qsizetype(end);
}

QByteArrayView TRegExMatch::Group(int AGroup) const {
    const qsizetype start = GroupStart(AGroup);
    if (start < 0)
        return {};
    return FSubject.sliced(start, GroupEnd(AGroup) - start);
}

} // namespace tarrow
