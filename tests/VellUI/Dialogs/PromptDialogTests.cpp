#include "Dialogs/PromptDialog.h"

#include <QApplication>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

namespace vell {
namespace {

using Role = PromptDialog::Role;

void settle() {
    for (int turn = 0; turn < 3; ++turn)
        QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

class PromptDialogTest : public ::testing::Test {
protected:
public:
    PromptDialogTest() {
        window.resize(600, 400);
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    // A naming question: field, OK, Cancel.
    PromptDialog* naming(const QString& text) {
        auto* dialog = new PromptDialog(window);
        dialog->setTitle("Rename");
        dialog->setMessage("Renaming also updates every line that uses this name.");
        dialog->setField("Name", text);
        dialog->addButton("OK", Role::accept);
        dialog->addButton("Cancel", Role::cancel);
        return dialog;
    }
    // A destructive question without a field: Clear, Cancel.
    PromptDialog* clearing() {
        auto* dialog = new PromptDialog(window);
        dialog->setTitle("Clear “A”?");
        dialog->addButton("Clear", Role::destructive);
        dialog->addButton("Cancel", Role::cancel);
        return dialog;
    }

protected:
    QWidget window;
};

TEST_F(PromptDialogTest, OpensWindowModalWithoutBlockingAndFocusesItsField) {
    QPointer<PromptDialog> dialog = naming("price");
    dialog->open();
    settle();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->windowModality(), Qt::WindowModal);
    EXPECT_EQ(dialog->parentWidget(), &window);
    ASSERT_TRUE(dialog->hasField());
    EXPECT_EQ(dialog->field()->placeholderText(), "Name");
    EXPECT_EQ(dialog->fieldText(), "price");
    EXPECT_TRUE(dialog->field()->hasFocus());
    // Typing replaces the proposed name, as it is selected.
    QTest::keyClicks(dialog->field(), "cost");
    EXPECT_EQ(dialog->fieldText(), "cost");
    EXPECT_TRUE(dialog->buttons().front()->isDefault());
    dialog->dismiss();
}

TEST_F(PromptDialogTest, UsersWordsShowLiterallyAndTheHeightFitsTheWrappedMessage) {
    auto* dialog = new PromptDialog(window);
    const QString words = "<b>x</b> & y";
    dialog->setTitle(words);
    dialog->setMessage(words + " " + QString("long words wrap onto further lines ").repeated(8));
    dialog->addButton("OK", Role::cancel);
    dialog->open();
    settle();
    const auto labels = dialog->findChildren<QLabel*>();
    ASSERT_EQ(labels.size(), 2);
    for (QLabel* label : labels) {
        EXPECT_EQ(label->textFormat(), Qt::PlainText);
        EXPECT_TRUE(label->text().startsWith(words));
        EXPECT_LE(label->geometry().right(), dialog->width());
        EXPECT_LT(label->geometry().bottom(), dialog->buttons().front()->mapTo(dialog, QPoint(0, 0)).y());
    }
    EXPECT_EQ(dialog->title(), words);
    EXPECT_GT(labels[1]->height(), 2 * labels[1]->fontMetrics().height()) << "the message wraps";
    EXPECT_GE(dialog->height(), dialog->layout()->totalHeightForWidth(dialog->width()));
    dialog->dismiss();
}

TEST_F(PromptDialogTest, EachWayOfAnsweringGivesOneAnswerAndTheDialogGoes) {
    struct Case {
        const char* name;
        std::function<PromptDialog*(PromptDialogTest&)> make;
        std::function<void(PromptDialog&)> act;
        Role role;
        QString text;
    };
    const auto naming = [](PromptDialogTest& test) { return test.naming("price"); };
    const auto clearing = [](PromptDialogTest& test) { return test.clearing(); };
    const Case cases[] = {
        {"Return takes the default", naming,
         [](PromptDialog& d) {
             QTest::keyClicks(d.field(), "cost");
             QTest::keyClick(d.field(), Qt::Key_Return);
         },
         Role::accept, "cost"},
        {"Escape cancels", naming, [](PromptDialog& d) { QTest::keyClick(d.field(), Qt::Key_Escape); },
         Role::cancel, "price"},
        {"clicking Cancel", naming,
         [](PromptDialog& d) { QTest::mouseClick(d.buttons()[1], Qt::LeftButton); }, Role::cancel, "price"},
        {"closing the window", naming, [](PromptDialog& d) { d.close(); }, Role::cancel, "price"},
        {"clicking the destructive button", clearing,
         [](PromptDialog& d) { QTest::mouseClick(d.buttons()[0], Qt::LeftButton); }, Role::destructive, ""},
        {"Return without a default keeps the safe answer", clearing,
         [](PromptDialog&) { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); }, Role::cancel,
         ""},
        {"Escape without a field", clearing,
         [](PromptDialog&) { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape); }, Role::cancel,
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QPointer<PromptDialog> dialog = c.make(*this);
        QSignalSpy answers(dialog.data(), &PromptDialog::answered);
        dialog->open();
        settle();
        ASSERT_TRUE(QApplication::focusWidget());
        c.act(*dialog);
        settle();
        ASSERT_EQ(answers.size(), 1);
        EXPECT_EQ(answers[0][0].value<Role>(), c.role);
        EXPECT_EQ(answers[0][1].toString(), c.text);
        EXPECT_FALSE(dialog) << "deleted once closed";
    }
}

TEST_F(PromptDialogTest, DismissingClosesWithoutAnAnswer) {
    QPointer<PromptDialog> dialog = clearing();
    QSignalSpy answers(dialog.data(), &PromptDialog::answered);
    dialog->open();
    settle();
    dialog->dismiss();
    settle();
    EXPECT_EQ(answers.size(), 0);
    EXPECT_FALSE(dialog);
}

TEST_F(PromptDialogTest, TheDestructiveButtonIsInkedForLightAndDark) {
    for (const bool dark : {false, true}) {
        SCOPED_TRACE(dark ? "dark" : "light");
        QPalette palette = window.palette();
        palette.setColor(QPalette::Window, dark ? QColor("#1E1E23") : QColor("#FFFFFF"));
        window.setPalette(palette);
        QPointer<PromptDialog> dialog = clearing();
        const QColor clear = dialog->buttons()[0]->palette().color(QPalette::ButtonText);
        const QColor cancel = dialog->buttons()[1]->palette().color(QPalette::ButtonText);
        EXPECT_NE(clear, cancel);
        EXPECT_GT(clear.red(), 2 * clear.green());
        // Lighter on the dark window.
        EXPECT_EQ(clear.lightness() > 128, dark);
        dialog->dismiss();
        settle();
    }
}

} // namespace
} // namespace vell
