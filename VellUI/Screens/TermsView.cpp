#include "Screens/TermsView.h"

#include "Appearance/Appearance.h"
#include "Appearance/Fonts.h"
#include "Appearance/Theme.h"
#include "Engine/L10n.h"
#include "Screens/ScreenParts.h"
#include "Stores/AppSettings.h"
#include "Stores/UiText.h"
#include "Terms/Terms.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QList>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QVBoxLayout>

namespace vell {

namespace {

// The orange of the warning and its panel.
constexpr ColorPair warningOrange{0xFF9500FF, 0xFF9F0AFF};
constexpr qreal calloutOpacity = 0.12;
constexpr int agreeHeight = 46;

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

QLabel* wrappingLabel(QWidget* parent, qreal size, QFont::Weight weight = QFont::Normal) {
    auto* label = new QLabel(parent);
    label->setFont(Fonts::system(size, weight));
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

// The platform's Quit keys, and Ctrl+Q, which the menus bind everywhere.
QList<QKeySequence> quitKeys() {
    QList<QKeySequence> keys = QKeySequence::keyBindings(QKeySequence::Quit);
    const QKeySequence controlQ(Qt::CTRL | Qt::Key_Q);
    if (!keys.contains(controlQ)) keys.append(controlQ);
    return keys;
}

} // namespace

TermsView::TermsView(Mode mode, AppSettings& settings, Appearance& appearance, QWidget* parent)
    : QWidget(parent), mode_(mode), settings_(settings), appearance_(appearance) {
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);
    buildHeader(root);
    buildBody(root);
    buildFooter(root);

    if (mode_ == Mode::gate) {
        for (const QKeySequence& keys : quitKeys()) {
            auto* shortcut = new QShortcut(keys, this);
            shortcut->setContext(Qt::WindowShortcut);
            connect(shortcut, &QShortcut::activated, this, &TermsView::quitRequested);
        }
    }

    connect(&settings_, &AppSettings::languageChanged, this, &TermsView::retranslate);
    connect(&settings_, &AppSettings::termsAcceptanceChanged, this, &TermsView::retranslate);
    connect(&appearance_, &Appearance::changed, this, &TermsView::recolor);
    retranslate();
    recolor();
}

void TermsView::buildHeader(QVBoxLayout* root) {
    auto* header = new QHBoxLayout;
    header->setContentsMargins(16, 16, 16, 16);
    header->setSpacing(12);
    title_ = new FittingLabel(this);
    title_->setFont(Fonts::system(16, QFont::DemiBold));
    title_->setMinimumScale(0.8);
    header->addWidget(title_, 1);
    if (mode_ == Mode::gate) {
        picker_ = new LanguagePicker(this);
        connect(picker_, &LanguagePicker::picked, this, [this](bool english) {
            settings_.setLanguage(english ? AppLanguage::english : AppLanguage::japanese);
        });
        header->addWidget(picker_);
    } else {
        closeButton_ = new QPushButton(this);
        closeButton_->setShortcut(QKeySequence::Cancel);
        closeButton_->setAutoDefault(false);
        connect(closeButton_, &QPushButton::clicked, this, &TermsView::closeRequested);
        header->addWidget(closeButton_);
    }
    root->addLayout(header);
    dividers_.push_back(new Divider(this));
    root->addWidget(dividers_.back());
}

void TermsView::buildBody(QVBoxLayout* root) {
    scrollArea_ = new QScrollArea(this);
    scrollArea_->setFrameShape(QFrame::NoFrame);
    scrollArea_->setWidgetResizable(true);
    scrollArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    content_ = new QWidget;
    auto* column = new QVBoxLayout(content_);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(20);

    callout_ = new CalloutPanel(content_);
    auto* calloutRow = new QHBoxLayout(callout_);
    calloutRow->setContentsMargins(14, 14, 14, 14);
    calloutRow->setSpacing(10);
    warning_ = new WarningGlyph(18, callout_);
    headline_ = wrappingLabel(callout_, 14, QFont::DemiBold);
    calloutRow->addWidget(warning_, 0, Qt::AlignTop);
    calloutRow->addWidget(headline_, 1, Qt::AlignTop);
    column->addWidget(callout_);

    for (std::size_t i = 0; i < Terms::sections().size(); ++i) {
        auto* block = new QVBoxLayout;
        block->setSpacing(6);
        SectionLabels labels{wrappingLabel(content_, 13, QFont::DemiBold), wrappingLabel(content_, 13)};
        block->addWidget(labels.heading);
        block->addWidget(labels.body);
        column->addLayout(block);
        sections_.push_back(labels);
    }
    column->addStretch(1);

    scrollArea_->setWidget(content_);
    root->addWidget(scrollArea_, 1);
    dividers_.push_back(new Divider(this));
    root->addWidget(dividers_.back());
}

void TermsView::buildFooter(QVBoxLayout* root) {
    if (mode_ == Mode::gate) {
        auto* footer = new QVBoxLayout;
        footer->setContentsMargins(16, 16, 16, 16);
        footer->setSpacing(12);
        consent_ = new CheckRow(this);
        agreeButton_ = new QPushButton(this);
        agreeButton_->setFont(Fonts::system(15, QFont::DemiBold));
        agreeButton_->setFixedHeight(agreeHeight);
        agreeButton_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        agreeButton_->setDefault(true);
        agreeButton_->setEnabled(false);
        declineNote_ = wrappingLabel(this, 11);
        declineNote_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        footer->addWidget(consent_);
        footer->addWidget(agreeButton_);
        footer->addWidget(declineNote_);
        connect(consent_, &CheckRow::toggled, agreeButton_, &QPushButton::setEnabled);
        connect(agreeButton_, &QPushButton::clicked, this, &TermsView::agree);
        root->addLayout(footer);
    } else {
        auto* footer = new QHBoxLayout;
        footer->setContentsMargins(16, 16, 16, 16);
        acceptedVersion_ = new QLabel(this);
        acceptedVersion_->setFont(Fonts::system(11));
        footer->addWidget(acceptedVersion_);
        footer->addStretch(1);
        root->addLayout(footer);
    }
}

void TermsView::retranslate() {
    title_->setText(Q(Terms::title()));
    // The name of the dialog that shows it, in the desktop's window list.
    setWindowTitle(title_->text());
    headline_->setText(Q(Terms::headline()));
    const std::vector<Terms::Section> sections = Terms::sections();
    for (std::size_t i = 0; i < sections_.size() && i < sections.size(); ++i) {
        sections_[i].heading->setText(Q(sections[i].heading));
        sections_[i].body->setText(Q(sections[i].body));
    }
    if (mode_ == Mode::gate) {
        picker_->setEnglish(L10n::isEnglish());
        picker_->setAccessibleName(uiText("言語", "Language"));
        consent_->setRowText(
            uiText("上記の内容を読み、同意します", "I have read and agree to the terms above"));
        agreeButton_->setText(Q(Terms::agreeButton()));
        declineNote_->setText(Q(Terms::declineNote()));
    } else {
        closeButton_->setText(uiText("閉じる", "Close"));
        const QString version = QString::number(settings_.acceptedTermsVersion());
        acceptedVersion_->setText(L10n::isEnglish()
                                      ? QStringLiteral("Accepted version: ") + version
                                      : QStringLiteral("同意した版: 第 ") + version + QStringLiteral(" 版"));
    }
}

void TermsView::recolor() {
    const bool dark = appearance_.isDark();
    const QColor card = Theme::card.resolve(dark);
    const QColor ink = Theme::ink.resolve(dark);
    const QColor secondary = Theme::secondaryInk.resolve(dark);
    const QColor accent = Theme::accent.resolve(dark);
    const QColor separator = Theme::separator.resolve(dark);
    const QColor orange = warningOrange.resolve(dark);

    setBackgroundColor(this, card);
    setBackgroundColor(scrollArea_->viewport(), card);
    setBackgroundColor(content_, card);
    for (Divider* divider : dividers_)
        divider->setColor(separator);
    title_->setColor(ink);
    QColor fill = orange;
    fill.setAlphaF(calloutOpacity);
    callout_->setFill(fill);
    warning_->setColor(orange);
    setTextColor(headline_, ink);
    for (const SectionLabels& labels : sections_) {
        setTextColor(labels.heading, ink);
        setTextColor(labels.body, secondary);
    }
    if (mode_ == Mode::gate) {
        picker_->setColors(SegmentColors::of(dark));
        consent_->setColors(ink, secondary, accent);
        const QString disabledFill =
            QStringLiteral("rgba(%1, %2, %3, 90)").arg(accent.red()).arg(accent.green()).arg(accent.blue());
        const QColor onAccent = Theme::onAccent.resolve(dark);
        // Until the box is ticked the button is faint, its text still legible on the faint fill.
        const QString disabledText =
            QStringLiteral("rgba(%1, %2, %3, 170)").arg(ink.red()).arg(ink.green()).arg(ink.blue());
        agreeButton_->setStyleSheet(
            QStringLiteral("QPushButton { color: %4; background: %1; border: none; border-radius: 8px; }"
                           "QPushButton:pressed { background: %2; }"
                           "QPushButton:disabled { color: %5; background: %3; }")
                .arg(accent.name(), accent.darker(115).name(), disabledFill, onAccent.name(), disabledText));
        setTextColor(declineNote_, secondary);
    } else {
        setTextColor(acceptedVersion_, secondary);
    }
}

void TermsView::showEvent(QShowEvent* event) {
    // A dialog learns its default button only from a button that is already inside it.
    if (agreeButton_) agreeButton_->setDefault(true);
    QWidget::showEvent(event);
}

void TermsView::agree() {
    if (!consent_ || !consent_->isChecked()) return;
    settings_.acceptTerms();
    emit agreed();
}

} // namespace vell
