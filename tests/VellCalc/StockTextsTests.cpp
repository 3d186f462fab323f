#include "AppTestSupport.h"
#include "Stores/AppSettings.h"

#include <QMenu>
#include <QTextEdit>
#include <memory>

namespace vell {
namespace {

using testsupport::settle;
using testsupport::VellAppTest;

class StockTextsTest : public VellAppTest {};

QStringList menuTexts(QTextEdit& edit) {
    const std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    QStringList texts;
    for (const QAction* action : menu->actions())
        if (!action->isSeparator()) texts.push_back(action->text());
    return texts;
}

// The editor's context menu and the other parts Qt draws itself speak the interface language, and follow
// it when it changes.
TEST_F(StockTextsTest, QtsOwnPartsSpeakTheInterfaceLanguage) {
    open();
    QTextEdit edit;
    edit.setPlainText(QStringLiteral("1 + 2"));
    edit.selectAll();
    for (const AppLanguage language : {AppLanguage::japanese, AppLanguage::english, AppLanguage::japanese}) {
        settings().setLanguage(language);
        settle();
        const QStringList texts = menuTexts(edit);
        SCOPED_TRACE(texts.join(QStringLiteral(" | ")).toStdString());
        ASSERT_FALSE(texts.isEmpty());
        const bool english = language == AppLanguage::english;
        EXPECT_EQ(!texts.filter(QStringLiteral("Select All")).isEmpty(), english);
        EXPECT_EQ(texts.filter(QStringLiteral("すべて")).isEmpty(), english);
    }
}

} // namespace
} // namespace vell
