// Vell in a plain window: the editor of the document's selected sheet, until the main window with its
// tabs, toolbar and keypad arrives.

#include "Engine/L10n.h"
#include "LineRules/LineEditor.h"
#include "SheetEditor/SheetEditor.h"
#include "Stores/AppSettings.h"
#include "Stores/DocumentStore.h"
#include "Stores/SheetSession.h"
#include "Unicode/Unicode.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QInputDialog>
#include <QMessageBox>
#include <QVBoxLayout>
#include <QWidget>

namespace vell {
namespace {

class PlainWindow : public QWidget {
public:
    explicit PlainWindow(DocumentStore& store) : store_(store), session_(store) {
        setWindowTitle(QStringLiteral("Vell"));
        resize(1040, 720);
        setMinimumSize(720, 600);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        editor_ = new SheetEditor(session_, this);
        layout->addWidget(editor_);

        auto* undo = new QAction(this);
        undo->setShortcut(QKeySequence::Undo);
        connect(undo, &QAction::triggered, this, [this] {
            session_.focus();
            store_.undo();
        });
        auto* redo = new QAction(this);
        redo->setShortcut(QKeySequence::Redo);
        connect(redo, &QAction::triggered, this, [this] {
            session_.focus();
            store_.redo();
        });
        addActions({undo, redo});

        connect(editor_, &SheetEditor::onToggleLock, this, [this](qint64 line) {
            session_.focus();
            store_.toggleLock(line);
        });
        connect(editor_, &SheetEditor::onRequestName, this, &PlainWindow::askForName);
    }

protected:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::WindowActivate) session_.focus();
        return QWidget::event(event);
    }

    void closeEvent(QCloseEvent* event) override {
        store_.saveNow();
        QWidget::closeEvent(event);
    }

private:
    void askForName(qint64 line) {
        const std::u16string text = unicode::toUtf16(store_.currentSheet().text);
        const auto current = LineEditor::name(text, line);
        auto* dialog = new QInputDialog(this);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setWindowModality(Qt::WindowModal);
        dialog->setLabelText(QString::fromStdString(L10n::text("この行の名前", "Name of this line")));
        dialog->setTextValue(current ? QString::fromStdString(unicode::fromUtf16(*current)) : QString());
        connect(dialog, &QInputDialog::textValueSelected, this, [this, line](const QString& name) {
            session_.focus();
            if (const auto problem = store_.setName(line, name.toStdString())) {
                auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Vell"),
                                            QString::fromStdString(*problem), QMessageBox::Ok, this);
                box->setAttribute(Qt::WA_DeleteOnClose);
                box->setWindowModality(Qt::WindowModal);
                box->open();
            }
        });
        dialog->open();
    }

    DocumentStore& store_;
    SheetSession session_;
    SheetEditor* editor_ = nullptr;
};

} // namespace
} // namespace vell

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vell"));
    QApplication::setOrganizationName(QStringLiteral("Vell"));
    vell::AppSettings::shared();
    vell::DocumentStore store(vell::DocumentStore::defaultStorageURL());
    QObject::connect(&application, &QApplication::aboutToQuit, &store,
                     [&store] { store.applicationWillTerminate(); });
    QObject::connect(&application, &QApplication::applicationStateChanged, &store,
                     [&store](Qt::ApplicationState state) {
                         if (state == Qt::ApplicationActive)
                             store.applicationDidBecomeActive();
                         else
                             store.applicationWillResignActive();
                     });
    vell::PlainWindow window(store);
    window.show();
    return application.exec();
}
