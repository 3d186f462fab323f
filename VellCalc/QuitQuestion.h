#pragma once

// What happens when the user ends the run (Quit, closing the last window, a session's end) while the
// newest document is not on disk: the user is asked over a window, window-modal and in the interface
// language, naming the cause: Try Again (the default: writes again and ends once the document is on
// disk, or asks again), Quit Without Saving, or Cancel (the run goes on). Quitting without saving loses
// nothing either: the end of the run keeps the document in the rescue place.

#include <QObject>
#include <QPointer>
#include <functional>

class QWidget;

namespace vell {

class DocumentSaver;
class PromptDialog;

// The session manager's side of a session's end, as far as Vell needs it.
class SessionEnd {
public:
    virtual ~SessionEnd() = default;
    // Whether the user may be asked now; may wait until the manager lets this application ask.
    virtual bool allowsInteraction() = 0;
    // The asking is over.
    virtual void release() = 0;
    // The user chose not to end the session.
    virtual void cancel() = 0;
};

class QuitQuestion : public QObject {
    Q_OBJECT

public:
    explicit QuitQuestion(DocumentSaver& saver, QObject* parent = nullptr);

    // Writes what is not on disk yet and waits for it: true when the run may end now. Otherwise asks over
    // `window` without blocking (or brings forward the question open already) and is false; `end` runs
    // once the user chose to end after all, the document saved by Try Again or not.
    bool mayEnd(QWidget& window, std::function<void()> end);
    // The same, waiting for the answer (the session manager needs it before it goes on): true to end.
    bool mayEndNow(QWidget& window);
    // The question while it is open.
    PromptDialog* dialog() const;

private:
    enum class Answer {
        tryAgain,
        end,
        stay,
    };

    void ask(QWidget& window, std::function<void(Answer)> answered);

    DocumentSaver& saver_;
    QPointer<PromptDialog> dialog_;
};

} // namespace vell
