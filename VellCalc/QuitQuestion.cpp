#include "QuitQuestion.h"

#include "Dialogs/PromptDialog.h"
#include "Stores/DocumentSaver.h"
#include "Stores/UiText.h"

#include <QEventLoop>
#include <QWidget>
#include <utility>

namespace vell {

QuitQuestion::QuitQuestion(DocumentSaver& saver, QObject* parent) : QObject(parent), saver_(saver) {}

PromptDialog* QuitQuestion::dialog() const {
    return dialog_.data();
}

bool QuitQuestion::mayEnd(QWidget& window, std::function<void()> end) {
    if (dialog_) {
        dialog_->raise();
        dialog_->activateWindow();
        return false;
    }
    if (saver_.saveAndWait()) return true;
    ask(window, [this, window = QPointer<QWidget>(&window), end = std::move(end)](Answer answer) {
        if (answer == Answer::end || (answer == Answer::tryAgain && window && mayEnd(*window, end))) end();
    });
    return false;
}

bool QuitQuestion::mayEndNow(QWidget& window) {
    // A question asked without waiting gives way to this one.
    if (dialog_) dialog_->dismiss();
    const QPointer<QWidget> over(&window);
    while (!saver_.saveAndWait()) {
        if (!over) return true;
        Answer answer = Answer::stay;
        QEventLoop loop;
        ask(*over, [&answer, &loop](Answer given) {
            answer = given;
            loop.quit();
        });
        loop.exec();
        if (answer != Answer::tryAgain) return answer == Answer::end;
    }
    return true;
}

void QuitQuestion::ask(QWidget& window, std::function<void(Answer)> answered) {
    const QString cause =
        saver_.saveFailure().value_or(uiText("原因は分かりません", "the cause is not known"));
    auto* prompt = new PromptDialog(*window.window());
    prompt->setTitle(uiText("書類を保存できませんでした", "Your Document Could Not Be Saved"));
    prompt->setMessage(
        uiText("最新の変更を保存できませんでした（%1）。原因を取り除いてから「再試行」を選んでください。"
               "保存せずに終了すると、一時フォルダに写しを残すよう試み、次に起動したときに書類へ"
               "戻します。",
               "Vell could not save your latest changes: %1. Make room or remove the cause, then "
               "choose Try Again. If you quit without saving, Vell tries to keep a copy in a "
               "temporary folder and brings it back the next time it starts.")
            .arg(cause));
    prompt->addButton(uiText("保存せずに終了", "Quit Without Saving"), PromptDialog::Role::destructive);
    prompt->addButton(uiText("キャンセル", "Cancel"), PromptDialog::Role::cancel);
    prompt->addButton(uiText("再試行", "Try Again"), PromptDialog::Role::accept);
    connect(prompt, &PromptDialog::answered, this,
            [this, answered = std::move(answered)](PromptDialog::Role role) {
                // Answered, it is no longer the open question, whatever comes of the answer.
                dialog_.clear();
                answered(role == PromptDialog::Role::accept        ? Answer::tryAgain
                         : role == PromptDialog::Role::destructive ? Answer::end
                                                                   : Answer::stay);
            });
    dialog_ = prompt;
    prompt->open();
}

} // namespace vell
