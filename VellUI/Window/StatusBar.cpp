#include "Window/StatusBar.h"

#include "Appearance/Appearance.h"
#include "Appearance/Fonts.h"
#include "Appearance/Theme.h"
#include "Engine/L10n.h"
#include "Engine/ValueFormatter.h"
#include "Sheet/SheetTotal.h"
#include "Stores/AppSettings.h"
#include "Stores/SheetSession.h"

#include <QHBoxLayout>
#include <QPainter>
#include <algorithm>
#include <string>

namespace vell {

namespace {

constexpr int horizontalPadding = 16;
constexpr int verticalPadding = 7;
constexpr int spacing = 14;
constexpr qreal smallTextSize = 11;
constexpr qreal totalTextSize = 13;
constexpr qreal hairlineOpacity = 0.6;

QString qText(const std::string& text) {
    return QString::fromStdString(text);
}

void setTextColor(QLabel& label, const QColor& color) {
    QPalette palette = label.palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    label.setPalette(palette);
}

} // namespace

StatusBar::StatusBar(SheetSession& session, AppSettings& settings, Appearance& appearance, QWidget* parent)
    : QWidget(parent), session_(session), appearance_(appearance), count_(new QLabel(this)),
      totalLabel_(new QLabel(this)), totalValue_(new QLabel(this)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(horizontalPadding, verticalPadding, horizontalPadding, verticalPadding);
    row->setSpacing(spacing);
    row->addWidget(count_, 0, Qt::AlignVCenter);
    row->addStretch(1);
    row->addWidget(totalLabel_, 0, Qt::AlignVCenter);
    row->addWidget(totalValue_, 0, Qt::AlignVCenter);

    for (QLabel* label : {count_, totalLabel_, totalValue_})
        label->setTextFormat(Qt::PlainText);
    count_->setFont(Fonts::system(smallTextSize));
    totalLabel_->setFont(Fonts::system(smallTextSize));
    totalValue_->setFont(Fonts::monospacedDigits(totalTextSize, QFont::DemiBold));
    totalValue_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    totalValue_->setCursor(Qt::IBeamCursor);
    fitHeight();
    connect(&session_, &SheetSession::resultsChanged, this, &StatusBar::refresh);
    connect(&settings, &AppSettings::engineSettingsChanged, this, &StatusBar::refresh);
    connect(&settings, &AppSettings::languageChanged, this, &StatusBar::fitHeight);
    connect(&appearance_, &Appearance::changed, this, &StatusBar::applyAppearance);
    applyAppearance();
    refresh();
}

void StatusBar::fitHeight() {
    // As tall as the tallest of its texts can be, with or without a total: a row that grew when a total
    // appears would move the keypad and the editor as a formula is typed. In Japanese a kanji too, whose
    // face is often taller than the one for figures; in English that face is not even loaded for it.
    const QString sample = L10n::isEnglish() ? QStringLiteral("0") : QStringLiteral("0\u5408");
    int tallest = 0;
    for (const QLabel* label : {count_, totalLabel_, totalValue_})
        tallest = std::max(tallest, label->fontMetrics()
                                        .boundingRect(QRect(0, 0, 10000, 10000), Qt::TextSingleLine, sample)
                                        .height());
    setFixedHeight(tallest + 2 * verticalPadding);
}

QString StatusBar::totalText() const {
    return totalValue_->isHidden() ? QString() : totalValue_->text();
}

void StatusBar::refresh() {
    const auto count = session_.calculatedLineCount();
    const std::string n = std::to_string(count);
    count_->setText(
        qText(L10n::text(n + " 行を計算", n + (count == 1 ? " line calculated" : " lines calculated"))));

    const auto total = SheetTotal::of(session_.results());
    totalLabel_->setVisible(total.has_value());
    totalValue_->setVisible(total.has_value());
    if (total) {
        totalLabel_->setText(qText(L10n::text("合計", "Total")));
        totalValue_->setText(qText(ValueFormatter::format(*total, true)));
        totalValue_->setToolTip(
            qText(L10n::text("すべての計算結果を足したもの", "The sum of every calculated line")));
    } else {
        totalValue_->clear();
    }
}

void StatusBar::applyAppearance() {
    const bool dark = appearance_.isDark();
    setTextColor(*count_, Theme::secondaryInk.resolve(dark));
    setTextColor(*totalLabel_, Theme::secondaryInk.resolve(dark));
    setTextColor(*totalValue_, Theme::ink.resolve(dark));
    QWidget::update();
}

void StatusBar::paintEvent(QPaintEvent*) {
    const bool dark = appearance_.isDark();
    QPainter painter(this);
    painter.fillRect(rect(), barFill.resolve(dark));
    QColor hairline = Theme::separator.resolve(dark);
    hairline.setAlphaF(hairline.alphaF() * hairlineOpacity);
    painter.fillRect(QRect(0, 0, width(), 1), hairline);
}

} // namespace vell
