#include "Screens/SyntaxColorSettings.h"

#include "Appearance/ColorPair.h"
#include "Appearance/Fonts.h"
#include "Appearance/HexQColor.h"
#include "Engine/L10n.h"
#include "Screens/ScreenParts.h"
#include "Stores/AppSettings.h"
#include "Stores/UiText.h"

#include <QColorDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace vell {

namespace {

constexpr int swatchWidth = 44;
constexpr int swatchHeight = 22;
constexpr int resetWidth = 24;
constexpr int columnSpacing = 12;

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

QString objectNameOf(SyntaxKind kind, const char* part) {
    return QStringLiteral("syntax.") + Q(std::string(SyntaxKinds::rawValue(kind))) + QLatin1Char('.') +
           QLatin1String(part);
}

} // namespace

ColorSwatch::ColorSwatch(QWidget* parent) : QAbstractButton(parent) {
    setFixedSize(swatchWidth, swatchHeight);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
}

void ColorSwatch::setColor(const QColor& color) {
    if (color == color_) return;
    color_ = color;
    setToolTip(color.name(QColor::HexRgb).toUpper());
    update();
}

void ColorSwatch::setStroke(const QColor& color) {
    stroke_ = color;
    update();
}

QSize ColorSwatch::sizeHint() const {
    return {swatchWidth, swatchHeight};
}

void ColorSwatch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(stroke_.isValid() ? stroke_ : palette().color(QPalette::Mid), hasFocus() ? 2 : 1));
    painter.setBrush(color_);
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);
}

SyntaxColorSettings::ColorPicker SyntaxColorSettings::defaultColorPicker() {
    return [](QWidget* parent, const QColor& initial, const QString& title) -> std::optional<QColor> {
        const QColor chosen =
            QColorDialog::getColor(initial, parent, title, QColorDialog::DontUseNativeDialog);
        if (!chosen.isValid()) return std::nullopt;
        return chosen;
    };
}

QString SyntaxColorSettings::title() {
    return uiText("文字の色", "Text Colors");
}

QString SyntaxColorSettings::footer() {
    return uiText("白地用と黒地用を別に選べます。表示を切り替えると、その地色の側が自動で使われます。"
                  "選んでいない側は今までの色のままです。",
                  "Pick a colour for the light and the dark appearance separately. Switching appearance uses "
                  "the matching one; a side you leave alone keeps its default.");
}

QColor SyntaxColorSettings::shownColor(const AppSettings& settings, SyntaxKind kind, bool dark) {
    if (const auto stored = settings.syntaxHex(SyntaxKinds::rawValue(kind), dark))
        if (const auto color = HexColor::color(*stored)) return *color;
    const ColorWords builtIn = SyntaxKinds::defaultColors(kind);
    if (const auto color = HexColor::color(HexColor::hex(dark ? builtIn.dark : builtIn.light))) return *color;
    return colorOfWord(dark ? builtIn.dark : builtIn.light);
}

bool SyntaxColorSettings::isCustom(const AppSettings& settings, SyntaxKind kind) {
    const std::string_view raw = SyntaxKinds::rawValue(kind);
    return settings.syntaxHex(raw, false).has_value() || settings.syntaxHex(raw, true).has_value();
}

SyntaxColorSettings::SyntaxColorSettings(AppSettings& settings, QWidget* parent)
    : QWidget(parent), settings_(settings), picker_(defaultColorPicker()), lightTitle_(new QLabel(this)),
      darkTitle_(new QLabel(this)), resetAll_(new QPushButton(this)) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);

    auto* header = new QHBoxLayout;
    header->setSpacing(columnSpacing);
    header->addStretch(1);
    for (QLabel* title : {lightTitle_, darkTitle_}) {
        title->setFont(Fonts::system(11));
        title->setFixedWidth(swatchWidth);
        title->setAlignment(Qt::AlignCenter);
        header->addWidget(title);
    }
    header->addSpacing(resetWidth);
    column->addLayout(header);

    for (SyntaxKind kind : SyntaxKinds::allCases) {
        Row& row = rows_[static_cast<std::size_t>(kind)];
        auto* line = new QHBoxLayout;
        line->setSpacing(columnSpacing);
        auto* label = new QVBoxLayout;
        label->setSpacing(1);
        row.label = new QLabel(this);
        row.label->setFont(Fonts::system(13));
        row.label->setObjectName(objectNameOf(kind, "label"));
        row.sample = new QLabel(this);
        row.sample->setFont(Fonts::monospaced(12));
        row.sample->setTextFormat(Qt::PlainText);
        label->addWidget(row.label);
        label->addWidget(row.sample);
        line->addLayout(label);
        line->addStretch(1);

        row.light = new ColorSwatch(this);
        row.light->setObjectName(objectNameOf(kind, "light"));
        row.dark = new ColorSwatch(this);
        row.dark->setObjectName(objectNameOf(kind, "dark"));
        line->addWidget(row.light);
        line->addWidget(row.dark);
        connect(row.light, &QAbstractButton::clicked, this, [this, kind] { pick(kind, false); });
        connect(row.dark, &QAbstractButton::clicked, this, [this, kind] { pick(kind, true); });

        row.reset = new QToolButton(this);
        row.reset->setObjectName(objectNameOf(kind, "reset"));
        row.reset->setText(QStringLiteral("↺"));
        row.reset->setFont(Fonts::system(12));
        row.reset->setAutoRaise(true);
        row.reset->setFixedWidth(resetWidth);
        // Hidden while the class has its built-in colours, yet its place is kept so the swatches line up.
        QSizePolicy keep = row.reset->sizePolicy();
        keep.setRetainSizeWhenHidden(true);
        row.reset->setSizePolicy(keep);
        connect(row.reset, &QToolButton::clicked, this, [this, kind] { resetKind(kind); });
        line->addWidget(row.reset);
        column->addLayout(line);
    }

    resetAll_->setObjectName(QStringLiteral("syntax.resetAll"));
    resetAll_->setAutoDefault(false);
    connect(resetAll_, &QPushButton::clicked, this, &SyntaxColorSettings::resetAll);
    auto* resetRow = new QHBoxLayout;
    resetRow->addWidget(resetAll_);
    resetRow->addStretch(1);
    column->addLayout(resetRow);

    refresh();
}

void SyntaxColorSettings::refresh() {
    lightTitle_->setText(uiText("白地", "Light"));
    darkTitle_->setText(uiText("黒地", "Dark"));
    const QString resetTip = uiText("この種類を標準に戻す", "Reset this kind");
    for (SyntaxKind kind : SyntaxKinds::allCases) {
        const Row& row = rows_[static_cast<std::size_t>(kind)];
        row.label->setText(Q(SyntaxKinds::label(kind)));
        row.sample->setText(Q(SyntaxKinds::sample(kind)));
        row.light->setColor(shownColor(settings_, kind, false));
        row.dark->setColor(shownColor(settings_, kind, true));
        row.light->setAccessibleName(row.label->text() + QStringLiteral(" – ") + lightTitle_->text());
        row.dark->setAccessibleName(row.label->text() + QStringLiteral(" – ") + darkTitle_->text());
        const bool custom = isCustom(settings_, kind);
        row.reset->setVisible(custom);
        row.reset->setEnabled(custom);
        row.reset->setToolTip(resetTip);
        row.reset->setAccessibleName(resetTip);
    }
    resetAll_->setText(uiText("すべて標準に戻す", "Reset All Colors"));
    resetAll_->setVisible(!settings_.syntaxColors().empty());
}

void SyntaxColorSettings::recolor(const QColor& ink, const QColor& secondaryInk) {
    setTextColor(lightTitle_, secondaryInk);
    setTextColor(darkTitle_, secondaryInk);
    for (const Row& row : rows_) {
        setTextColor(row.label, ink);
        setTextColor(row.sample, secondaryInk);
        setTextColor(row.reset, secondaryInk);
        // Outlined at 3:1 or more against the panel, so that a colour close to the panel's still shows.
        row.light->setStroke(secondaryInk);
        row.dark->setStroke(secondaryInk);
    }
}

void SyntaxColorSettings::pick(SyntaxKind kind, bool dark) {
    if (!picker_) return;
    const QString side = dark ? uiText("黒地", "Dark") : uiText("白地", "Light");
    const QString title = Q(SyntaxKinds::label(kind)) + QStringLiteral(" – ") + side;
    const std::optional<QColor> chosen = picker_(window(), shownColor(settings_, kind, dark), title);
    if (!chosen || !chosen->isValid()) return;
    settings_.setSyntaxColor(HexColor::hex(*chosen), SyntaxKinds::rawValue(kind), dark);
}

void SyntaxColorSettings::resetKind(SyntaxKind kind) {
    settings_.setSyntaxColor(std::nullopt, SyntaxKinds::rawValue(kind), false);
    settings_.setSyntaxColor(std::nullopt, SyntaxKinds::rawValue(kind), true);
}

void SyntaxColorSettings::resetAll() {
    settings_.resetSyntaxColors();
}

} // namespace vell
