#include "SheetEditor/SheetHighlighter.h"

#include "Appearance/Appearance.h"
#include "Appearance/Fonts.h"
#include "LineRules/SyntaxScan.h"
#include "SheetEditor/EditorPalette.h"
#include "Stores/AppSettings.h"
#include "Stores/Notifications.h"

#include <QTextBlock>
#include <QTextDocument>
#include <string_view>

namespace vell {

SheetHighlighter::SheetHighlighter(QTextDocument* document, AppSettings& settings, Appearance& appearance)
    : QSyntaxHighlighter(document), settings_(settings), appearance_(appearance),
      textSize_(settings.textSize()) {
    buildFormats();
    notify::syntaxColorsChanged.observe(this, [this] { refresh(); });
    connect(&appearance_, &Appearance::changed, this, &SheetHighlighter::refresh);
    connect(&settings_, &AppSettings::changed, this, [this] {
        if (settings_.textSize() != textSize_) refresh();
    });
}

void SheetHighlighter::setResults(const std::vector<LineResult>& results) {
    notes_.assign(results.size(), false);
    for (std::size_t i = 0; i < results.size(); ++i)
        notes_[i] = results[i].outcome.kind() == LineOutcome::Case::comment;
    if (!document()) return;
    int line = 0;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next(), ++line) {
        const int wanted = isNote(line) ? note : scanned;
        if (block.userState() != wanted) rehighlightBlock(block);
    }
}

void SheetHighlighter::refresh() {
    textSize_ = settings_.textSize();
    buildFormats();
    rehighlight();
}

bool SheetHighlighter::isNote(int line) const {
    return line >= 0 && static_cast<std::size_t>(line) < notes_.size() &&
           notes_[static_cast<std::size_t>(line)];
}

void SheetHighlighter::buildFormats() {
    const bool dark = appearance_.isDark();
    bodyFormat_ = QTextCharFormat();
    bodyFormat_.setForeground(EditorPalette::text.resolve(dark));
    for (const SyntaxKind kind : SyntaxKinds::allCases) {
        QTextCharFormat& format = kindFormats_[static_cast<std::size_t>(kind)];
        format = QTextCharFormat();
        format.setForeground(EditorPalette::syntaxColor(kind, settings_).resolve(dark));
    }
    noteFormat_ = kindFormats_[static_cast<std::size_t>(SyntaxKind::comment)];
    noteFormat_.setFont(Fonts::italic(Fonts::editorTextSize(textSize_)));
}

void SheetHighlighter::highlightBlock(const QString& text) {
    if (isNote(currentBlock().blockNumber())) {
        setCurrentBlockState(note);
        setFormat(0, static_cast<int>(text.size()), noteFormat_);
        return;
    }
    setCurrentBlockState(scanned);
    setFormat(0, static_cast<int>(text.size()), bodyFormat_);
    const std::u16string_view line(reinterpret_cast<const char16_t*>(text.constData()),
                                   static_cast<std::size_t>(text.size()));
    for (const SyntaxRun& run : SyntaxScan::runs(line))
        setFormat(static_cast<int>(run.start), static_cast<int>(run.length),
                  kindFormats_[static_cast<std::size_t>(run.kind)]);
}

} // namespace vell
