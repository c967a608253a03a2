#pragma once

#include "base/uExceptions.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <memory>

// PCRE2's types, kept out of the headers of the callers.
struct pcre2_real_code_8;
struct pcre2_real_match_data_8;
struct pcre2_real_match_context_8;
struct pcre2_real_jit_stack_8;

namespace tarrow {

TARROW_DECLARE_EXCEPTION(ERegExError, Exception)

// One compiled regular expression of the replace rules: UTF-8, caseless, Unicode, every Unicode
// newline sequence counts as a newline. "\C" is refused, since it could split a character and
// break the UTF-8 that every later search relies on. Compiled once with the JIT where the
// platform has it; without it the interpreter gives the same results.
// Immutable after construction: one object may serve several TRegExMatch objects at a time.
class TRegEx final {
public:
    // Throws ERegExError: "A regular expression specified in RegEx is required" for an empty
    // pattern, "Error in regular expression at offset %d: %s" (byte offset in the UTF-8 pattern,
    // PCRE2's message) for an invalid one.
    explicit TRegEx(const QString& APattern, bool AUseJIT = true);
    TRegEx(TRegEx&&) noexcept;
    TRegEx& operator=(TRegEx&&) noexcept;
    ~TRegEx();

    bool UsesJIT() const { return FUsesJIT; }
    pcre2_real_code_8* Code() const { return FCode.get(); }

private:
    struct TCodeFree {
        void operator()(pcre2_real_code_8* P) const;
    };
    std::unique_ptr<pcre2_real_code_8, TCodeFree> FCode;
    bool FUsesJIT = false;
};

// The search state of one TRegEx over one subject (valid UTF-8, for example from
// QString::toUtf8): match data for groups 0 to 99, a match limit and a JIT stack of its own.
// Not thread safe; the TRegEx and the subject must outlive it.
class TRegExMatch final {
public:
    // A search that would take more steps than this ends as "no further match".
    static constexpr uint32_t MatchLimit = 10'000'000;

    explicit TRegExMatch(const TRegEx& ARegEx);
    TRegExMatch(const TRegExMatch&) = delete;
    TRegExMatch& operator=(const TRegExMatch&) = delete;
    ~TRegExMatch();

    // Searches ASubject from the byte offset AStart. False when there is no further match: none
    // found, an error (the match limit, for instance), or a match in which a group numbered 100
    // or higher takes part.
    bool Search(QByteArrayView ASubject, qsizetype AStart);
    // Searches the same subject again from the end of the current match, or one whole character
    // further on after an empty match; matches are thus non-overlapping, left to right.
    bool SearchNext();

    bool Matched() const { return FGroupCount > 0; }
    // One more than the highest-numbered group that took part (0 without a match).
    int GroupCount() const { return FGroupCount; }
    // Byte offsets of group AGroup in the subject; a group that did not take part is empty.
    qsizetype GroupStart(int AGroup) const;
    qsizetype GroupEnd(int AGroup) const;
    QByteArrayView Group(int AGroup) const;

private:
    struct TFree {
        void operator()(pcre2_real_match_data_8* P) const;
        void operator()(pcre2_real_match_context_8* P) const;
        void operator()(pcre2_real_jit_stack_8* P) const;
    };
    const TRegEx& FRegEx;
    std::unique_ptr<pcre2_real_match_data_8, TFree> FMatchData;
    std::unique_ptr<pcre2_real_match_context_8, TFree> FContext;
    std::unique_ptr<pcre2_real_jit_stack_8, TFree> FJITStack;
    QByteArrayView FSubject;
    int FGroupCount = 0;
};

} // namespace tarrow
