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

    // Shows the note in the interface language, for another while when it is up already, clear of the
    // caret (a rectangle of the parent's).
    void showRefusal(const QRect& caret);
    // Where it sits: centred near the bottom of that area of its parent, or near its top when the caret
    // lies under the bottom place.
    void place(const QRect& area);

private:
    QTimer* timer_;
    QRect area_;
    QRect caret_;
};

} // namespace vell
