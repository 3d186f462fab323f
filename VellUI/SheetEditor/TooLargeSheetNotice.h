#pragma once

// The line above the editor of a sheet too large to edit, saying so in plain words; hidden otherwise.

#include <QLabel>

namespace vell {

class TooLargeSheetNotice : public QLabel {
    Q_OBJECT

public:
    explicit TooLargeSheetNotice(QWidget* parent = nullptr);

    static QString message();
    // Shows the notice in the interface language, or hides it.
    void setShown(bool shown);
};

} // namespace vell
