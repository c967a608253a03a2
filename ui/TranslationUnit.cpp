#include "ui/TranslationUnit.h"

#include <QCoreApplication>
#include <QLibraryInfo>

namespace tarrow {

TTranslations::TTranslations(const QLocale& ALocale) {
    FTranslated = Install(ALocale, QStringLiteral("tarrow"), QStringLiteral(":/i18n"));
    // Only where the program speaks the language: a German dialog with English standard buttons
    // reads better than a French one with only its buttons translated.
    if (FTranslated)
        Install(ALocale, QStringLiteral("qtbase"),
                QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

TTranslations::~TTranslations() {
    for (const auto& translator : FTranslators)
        QCoreApplication::removeTranslator(translator.get());
}

bool TTranslations::Install(const QLocale& ALocale, const QString& AName, const QString& AFolder) {
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(ALocale, AName, QStringLiteral("_"), AFolder) ||
        !QCoreApplication::installTranslator(translator.get()))
        return false;
    FTranslators.push_back(std::move(translator));
    return true;
}

} // namespace tarrow
