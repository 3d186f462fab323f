#include "Screens/SegmentedPicker.h"

#include "Appearance/Fonts.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QPushButton>

namespace vell {

namespace {

constexpr int segmentHeight = 24;

} // namespace

SegmentedPicker::SegmentedPicker(QWidget* parent) : QWidget(parent), group_(new QButtonGroup(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    group_->setExclusive(true);
    connect(group_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked && !updating_) emit picked(id);
    });
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

int SegmentedPicker::addOption(const QString& objectName) {
    auto* segment = new QPushButton(this);
    segment->setObjectName(objectName);
    segment->setCheckable(true);
    segment->setFont(Fonts::system(12));
    segment->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // One height for all: a segment whose text falls back to another script's font would stand taller.
    segment->setFixedHeight(segmentHeight);
    segment->setFocusPolicy(Qt::TabFocus);
    segment->setAutoDefault(false);
    const int index = count();
    group_->addButton(segment, index);
    layout()->addWidget(segment);
    segments_.push_back(segment);
    restyle();
    return index;
}

void SegmentedPicker::setOptionText(int index, const QString& text) {
    if (QPushButton* button = segment(index)) {
        button->setText(text);
        button->setAccessibleName(text);
    }
}

QPushButton* SegmentedPicker::segment(int index) const {
    if (index < 0 || index >= count()) return nullptr;
    return segments_[static_cast<std::size_t>(index)];
}

int SegmentedPicker::current() const {
    return group_->checkedId();
}

void SegmentedPicker::setCurrent(int index) {
    updating_ = true;
    if (QPushButton* button = segment(index)) {
        button->setChecked(true);
    } else if (QAbstractButton* chosen = group_->checkedButton()) {
        // An exclusive group keeps one button on; it lets go only while it is not exclusive.
        group_->setExclusive(false);
        chosen->setChecked(false);
        group_->setExclusive(true);
    }
    updating_ = false;
}

void SegmentedPicker::setColors(const SegmentColors& colors) {
    colors_ = colors;
    colored_ = true;
    restyle();
}

void SegmentedPicker::restyle() {
    if (!colored_) return;
    const QString common =
        QStringLiteral("QPushButton { color: %1; background: transparent; border: 1px solid %2;"
                       " padding: 3px 6px; }"
                       "QPushButton:checked { color: %3; background: %4; }")
            .arg(colors_.text.name(), colors_.frame.name(), colors_.chosenText.name(),
                 colors_.chosenFill.name());
    for (int i = 0; i < count(); ++i) {
        QString shape;
        if (i == 0) shape += QStringLiteral("border-top-left-radius: 6px; border-bottom-left-radius: 6px;");
        if (i == count() - 1)
            shape += QStringLiteral("border-top-right-radius: 6px; border-bottom-right-radius: 6px;");
        else
            shape += QStringLiteral("border-right: none;");
        segments_[static_cast<std::size_t>(i)]->setStyleSheet(common + QStringLiteral("QPushButton { ") +
                                                              shape + QStringLiteral(" }"));
    }
}

} // namespace vell
