#include "Window/SidebarDelegates.h"

#include "Appearance/Appearance.h"
#include "Appearance/Fonts.h"
#include "Appearance/Theme.h"
#include "Stores/SheetListModel.h"
#include "Stores/SheetSession.h"
#include "Window/NamedValueModel.h"

#include <QFontMetricsF>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace vell {

namespace {

constexpr int rowInset = 8;
constexpr int symbolLeading = 10;
constexpr int symbolWidth = 12;
constexpr int symbolHeight = 15;
constexpr int symbolGap = 7;
constexpr qreal selectionRadius = 6;
constexpr qreal selectionOpacity = 0.15;
constexpr int valueInset = 12;
constexpr int valueGap = 6;
constexpr qreal nameSize = 14;
constexpr qreal valueSize = 13;

std::optional<Uuid> sheetOf(const QModelIndex& index) {
    return Uuid::fromString(index.data(SheetListModel::sheetIDRole).toString().toStdString());
}

// Whole pixels that hold the text without cutting it off.
int advance(const QFont& font, const QString& text) {
    return static_cast<int>(std::ceil(QFontMetricsF(font).horizontalAdvance(text))) + 1;
}

QRect textRect(const QRect& row) {
    const int left = row.left() + rowInset + symbolLeading + symbolWidth + symbolGap;
    return QRect(left, row.top(), std::max(0, row.right() - rowInset - left), row.height());
}

} // namespace

SheetRowDelegate::SheetRowDelegate(SheetSession& session, Appearance& appearance,
                                   std::function<bool(const Uuid&)> isRenaming, QObject* parent)
    : QStyledItemDelegate(parent), session_(session), appearance_(appearance),
      isRenaming_(std::move(isRenaming)) {}

void SheetRowDelegate::paintPageSymbol(QPainter& painter, const QPointF& origin, const QColor& color) {
    constexpr qreal fold = 4;
    const qreal w = symbolWidth;
    const qreal h = symbolHeight;
    QPainterPath page;
    page.moveTo(origin);
    page.lineTo(origin + QPointF(w - fold, 0));
    page.lineTo(origin + QPointF(w, fold));
    page.lineTo(origin + QPointF(w, h));
    page.lineTo(origin + QPointF(0, h));
    page.closeSubpath();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(color, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(page);
    painter.drawLine(origin + QPointF(w - fold, 0), origin + QPointF(w - fold, fold));
    painter.drawLine(origin + QPointF(w - fold, fold), origin + QPointF(w, fold));
    for (qreal y : {6.5, 9.0, 11.5})
        painter.drawLine(origin + QPointF(3, y), origin + QPointF(w - 3, y));
    painter.restore();
}

void SheetRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    const bool dark = appearance_.isDark();
    const auto id = sheetOf(index);
    const bool renaming = id && isRenaming_ && isRenaming_(*id);
    const bool selected = !renaming && id && session_.sheetID() == id;
    const QColor accent = Theme::accent.resolve(dark);
    const QColor ink = Theme::ink.resolve(dark);
    const QRect row = option.rect;

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    if (selected) {
        QColor fill = accent;
        fill.setAlphaF(static_cast<float>(selectionOpacity));
        QPainterPath path;
        path.addRoundedRect(QRectF(row.adjusted(rowInset, 1, -rowInset, -1)), selectionRadius,
                            selectionRadius);
        painter->fillPath(path, fill);
    }
    const QColor color = selected ? accent : ink;
    paintPageSymbol(
        *painter,
        QPointF(row.left() + rowInset + symbolLeading, row.top() + (row.height() - symbolHeight) / 2.0),
        color);
    if (!renaming) {
        const QFont font = Fonts::system(textSize, selected ? QFont::DemiBold : QFont::Normal);
        painter->setFont(font);
        painter->setPen(color);
        const QRect text = textRect(row);
        painter->drawText(
            text, Qt::AlignVCenter | Qt::AlignLeft,
            QFontMetrics(font).elidedText(index.data().toString(), Qt::ElideRight, text.width()));
    }
    painter->restore();
}

QSize SheetRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    return {option.rect.width(), rowHeight};
}

QWidget* SheetRowDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                        const QModelIndex&) const {
    auto* field = new QLineEdit(parent);
    field->setFrame(false);
    field->setFont(Fonts::system(textSize));
    field->setPlaceholderText(QString());
    field->setAttribute(Qt::WA_MacShowFocusRect, false);
    field->setInputMethodHints(Qt::ImhNoPredictiveText | Qt::ImhNoAutoUppercase);
    QPalette palette = field->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Text, Theme::ink.resolve(appearance_.isDark()));
    field->setPalette(palette);
    return field;
}

void SheetRowDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    auto* field = qobject_cast<QLineEdit*>(editor);
    if (!field || field->property("vellFilled").toBool()) return;
    field->setProperty("vellFilled", true);
    field->setText(index.data(Qt::EditRole).toString());
    field->selectAll();
}

void SheetRowDelegate::setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex&) const {
    if (auto* field = qobject_cast<QLineEdit*>(editor)) emit committed(editor, field->text());
}

void SheetRowDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                            const QModelIndex&) const {
    editor->setGeometry(textRect(option.rect).adjusted(-2, 2, 0, -2));
}

NamedValueDelegate::NamedValueDelegate(Appearance& appearance, QObject* parent)
    : QStyledItemDelegate(parent), appearance_(appearance) {}

void NamedValueDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    const bool dark = appearance_.isDark();
    const QRect row = option.rect.adjusted(valueInset, 0, -valueInset, 0);
    const QFont valueFont = Fonts::monospacedDigits(valueSize);
    const QFont nameFont = Fonts::system(nameSize);
    const QString value = index.data(NamedValueModel::valueTextRole).toString();
    // The name keeps its room up to a third of the row; the answer takes the rest.
    const int nameRoom = std::min(advance(nameFont, index.data().toString()), row.width() / 3);
    const int valueWidth =
        std::clamp(advance(valueFont, value), 0, std::max(0, row.width() - nameRoom - valueGap));
    const QRect valueRect(row.right() - valueWidth + 1, row.top(), valueWidth, row.height());
    const QRect nameRect(row.left(), row.top(), std::max(0, row.width() - valueWidth - valueGap),
                         row.height());

    painter->save();
    painter->setFont(nameFont);
    painter->setPen(Theme::ink.resolve(dark));
    painter->drawText(
        nameRect, Qt::AlignVCenter | Qt::AlignLeft,
        QFontMetrics(nameFont).elidedText(index.data().toString(), Qt::ElideRight, nameRect.width()));
    painter->setFont(valueFont);
    painter->setPen(Theme::secondaryInk.resolve(dark));
    painter->drawText(valueRect, Qt::AlignVCenter | Qt::AlignRight,
                      QFontMetrics(valueFont).elidedText(value, Qt::ElideRight, valueRect.width()));
    painter->restore();
}

QSize NamedValueDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    return {option.rect.width(), rowHeight};
}

} // namespace vell
