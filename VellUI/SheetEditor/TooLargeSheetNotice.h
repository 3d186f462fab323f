#pragma once

// The notice above the editor of a sheet too large to edit, saying so in plain words; hidden otherwise.

#include "Dialogs/NoticeBar.h"

namespace vell {

class TooLargeSheetNotice : public NoticeBar {
    Q_OBJECT

public:
    explicit TooLargeSheetNotice(Appearance& appearance, QWidget* parent = nullptr);

    static QString message();
    // Shows the notice in the interface language, or hides it.
    void setShown(bool shown);
};

} // namespace vell
