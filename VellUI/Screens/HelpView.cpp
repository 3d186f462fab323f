#include "Screens/HelpView.h"

#include "Appearance/Appearance.h"
#include "Appearance/Fonts.h"
#include "Appearance/Theme.h"
#include "Engine/L10n.h"
#include "Screens/HelpTable.h"
#include "Screens/ScreenParts.h"
#include "Stores/AppSettings.h"
#include "Stores/UiText.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>

namespace vell {

namespace {

constexpr int exampleWidth = 240;

} // namespace

HelpView::HelpView(AppSettings& settings, Appearance& appearance, QWidget* parent)
    : QWidget(parent), settings_(settings), appearance_(appearance), title_(new QLabel(this)),
      closeButton_(new QPushButton(this)), divider_(new Divider(this)), scrollArea_(new QScrollArea(this)) {
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(16, 16, 16, 16);
    title_->setFont(Fonts::system(15, QFont::DemiBold));
    header->addWidget(title_);
    header->addStretch(1);
    closeButton_->setShortcut(QKeySequence::Cancel);
    closeButton_->setAutoDefault(false);
    header->addWidget(closeButton_);
    root->addLayout(header);
    root->addWidget(divider_);

    scrollArea_->setFrameShape(QFrame::NoFrame);
    scrollArea_->setWidgetResizable(true);
    scrollArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrollArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    root->addWidget(scrollArea_, 1);

    connect(closeButton_, &QPushButton::clicked, this, &HelpView::closeRequested);
    connect(&settings_, &AppSettings::languageChanged, this, &HelpView::rebuildIfLanguageChanged);
    connect(&appearance_, &Appearance::changed, this, &HelpView::recolor);

    english_ = L10n::isEnglish();
    rebuild();
}

void HelpView::rebuildIfLanguageChanged() {
    if (L10n::isEnglish() == english_) return;
    english_ = L10n::isEnglish();
    rebuild();
}

void HelpView::rebuild() {
    title_->setText(uiText("Vell の使い方", "How to Use Vell"));
    // The name of the dialog that shows it, in the desktop's window list.
    setWindowTitle(title_->text());
    closeButton_->setText(uiText("閉じる", "Close"));

    inkLabels_ = {title_};
    secondaryLabels_.clear();

    // Layouts align tops, not baselines: the note is lowered so that its first line sits on the
    // example's first baseline.
    const int noteDrop = std::max(0, QFontMetrics(Fonts::monospaced(12.5)).ascent() -
                                         QFontMetrics(Fonts::system(12)).ascent());

    auto* content = new QWidget;
    auto* groups = new QVBoxLayout(content);
    groups->setContentsMargins(20, 20, 20, 20);
    groups->setSpacing(22);
    for (const HelpTable::Group& group : HelpTable::groups()) {
        auto* section = new QVBoxLayout;
        section->setSpacing(9);
        auto* title = new QLabel(group.title.toUpper());
        title->setFont(Fonts::system(11, QFont::DemiBold));
        secondaryLabels_.push_back(title);
        section->addWidget(title);
        for (const HelpTable::Entry& entry : group.entries) {
            auto* row = new QHBoxLayout;
            row->setSpacing(12);
            auto* example = new QLabel(entry.example);
            example->setFont(Fonts::monospaced(12.5));
            example->setFixedWidth(exampleWidth);
            example->setWordWrap(true);
            example->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            example->setTextFormat(Qt::PlainText);
            auto* note = new QLabel(entry.note);
            note->setFont(Fonts::system(12));
            note->setWordWrap(true);
            note->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            note->setTextFormat(Qt::PlainText);
            note->setContentsMargins(0, noteDrop, 0, 0);
            row->addWidget(example, 0, Qt::AlignTop);
            row->addWidget(note, 1, Qt::AlignTop);
            inkLabels_.push_back(example);
            secondaryLabels_.push_back(note);
            section->addLayout(row);
        }
        groups->addLayout(section);
    }
    groups->addStretch(1);

    // The old content goes with the scroll area's take-over.
    scrollArea_->setWidget(content);
    content_ = content;
    recolor();
}

void HelpView::recolor() {
    const bool dark = appearance_.isDark();
    setBackgroundColor(this, Theme::card.resolve(dark));
    setBackgroundColor(scrollArea_->viewport(), Theme::card.resolve(dark));
    setBackgroundColor(content_, Theme::card.resolve(dark));
    divider_->setColor(Theme::separator.resolve(dark));
    for (QLabel* label : inkLabels_)
        setTextColor(label, Theme::ink.resolve(dark));
    for (QLabel* label : secondaryLabels_)
        setTextColor(label, Theme::secondaryInk.resolve(dark));
}

} // namespace vell
