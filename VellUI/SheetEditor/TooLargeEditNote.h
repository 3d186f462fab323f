#pragma once

// The short note over the editor after an edit was refused because the sheet would have become too
// large to edit: it says so for a few seconds and then goes, and never takes the keyboard or the mouse,
// so typing goes on.

#include <QLabel>
#include <chrono>

class QTimer;

namespace vell {

class TooLargeEditNote : public QLabel {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds shownFor{4000};

    explicit TooLargeEditNote(QWidget* parent = nullptr);

    // Shows the note in the interface language, for another while when it is up already.
    void showRefusal();
    // Where it sits: centred near the bottom of that area of its parent.
    void place(const QRect& area);

private:
    QTimer* timer_;
    QRect area_;
};

} // namespace vell
