#pragma once

#include <QLocale>
#include <QTranslator>
#include <memory>
#include <vector>

namespace tarrow {

// The window's texts in a language: the program's own translation (built into the program) and
// the toolkit's, where the system has it, installed for as long as the object lives. English,
// the source language, needs none.
class TTranslations {
public:
    explicit TTranslations(const QLocale& ALocale);
    ~TTranslations();
    TTranslations(const TTranslations&) = delete;
    TTranslations& operator=(const TTranslations&) = delete;

    // Whether the program's own texts are translated.
    bool Translated() const { return FTranslated; }

private:
    bool Install(const QLocale& ALocale, const QString& AName, const QString& AFolder);

    std::vector<std::unique_ptr<QTranslator>> FTranslators;
    bool FTranslated = false;
};

} // namespace tarrow
