#include "StockTexts.h"

#include "Engine/L10n.h"
#include "Stores/AppSettings.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace vell {

StockTexts::StockTexts(AppSettings& settings, QObject* parent) : QObject(parent) {
    apply();
    connect(&settings, &AppSettings::languageChanged, this, &StockTexts::apply);
}

StockTexts::~StockTexts() {
    if (translator_) QCoreApplication::removeTranslator(translator_.get());
}

void StockTexts::apply() {
    const bool japanese = !L10n::isEnglish();
    if (japanese == japaneseInstalled()) return;
    if (translator_) {
        QCoreApplication::removeTranslator(translator_.get());
        translator_.reset();
    }
    if (!japanese) return;
    auto translator = std::make_unique<QTranslator>();
    // Without Qt's translations on the machine the stock parts stay in English, as before.
    if (!translator->load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return;
    QCoreApplication::installTranslator(translator.get());
    translator_ = std::move(translator);
}

} // namespace vell
