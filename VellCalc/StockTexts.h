#pragma once

// The texts of Qt's own parts (the editor's context menu, the colour and folder dialogs, the standard
// buttons) in the interface language: Qt's translations for Japanese are installed while the interface
// is Japanese, and taken away again for English.

#include <QObject>
#include <memory>

class QTranslator;

namespace vell {

class AppSettings;

class StockTexts : public QObject {
    Q_OBJECT

public:
    explicit StockTexts(AppSettings& settings, QObject* parent = nullptr);
    ~StockTexts() override;

    // Whether Qt's Japanese texts are in use now.
    bool japaneseInstalled() const { return translator_ != nullptr; }

private:
    void apply();

    std::unique_ptr<QTranslator> translator_;
};

} // namespace vell
