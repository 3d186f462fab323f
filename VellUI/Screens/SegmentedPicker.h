#pragma once

// A row of exclusive segments, one of them chosen, as the settings screen's pickers show them. Each
// option is known by its object name ("appearance.light"); texts are set apart so that they can
// follow the interface language.

#include "Screens/ScreenParts.h"

#include <QString>
#include <QWidget>
#include <vector>

class QButtonGroup;
class QPushButton;

namespace vell {

class SegmentedPicker : public QWidget {
    Q_OBJECT

public:
    explicit SegmentedPicker(QWidget* parent = nullptr);

    // Appends an option; returns its index.
    int addOption(const QString& objectName);
    void setOptionText(int index, const QString& text);
    int count() const { return static_cast<int>(segments_.size()); }
    QPushButton* segment(int index) const;

    // -1 while none is chosen.
    int current() const;
    // Chooses without announcing; -1 chooses none.
    void setCurrent(int index);

    void setColors(const SegmentColors& colors);
    const SegmentColors& colors() const { return colors_; }

signals:
    // A segment the user turned on; a click on the chosen one announces nothing.
    void picked(int index);

private:
    void restyle();

    QButtonGroup* group_;
    std::vector<QPushButton*> segments_;
    SegmentColors colors_;
    bool colored_ = false;
    bool updating_ = false;
};

} // namespace vell
