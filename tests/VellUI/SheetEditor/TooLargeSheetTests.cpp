// A sheet too large to edit opens read-only, its beginning shown under a notice in the interface
// language, and keys leave it as it is; the other sheets of the document stay as usable as ever.

#include "Appearance/Theme.h"
#include "Document/SheetSize.h"
#include "SheetEditor/TooLargeSheetNotice.h"
#include "SheetEditorFixture.h"

#include <QKeyEvent>
#include <gtest/gtest.h>

namespace vell {
namespace {

using testsupport::SheetEditorTest;

void typeKey(QWidget& view, Qt::Key key, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(&view, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(&view, &release);
}

std::string oneLongLine() {
    std::string text = "1";
    while (text.size() <= SheetSize::maxLineBytes)
        text += "+1";
    return text;
}

TEST_F(SheetEditorTest, ASheetTooLargeToEditIsShownReadOnlyUnderANotice) {
    const std::string huge = oneLongLine();
    openSheets({huge, "1 + 1"});
    Window& window = openWindow();
    auto* notice = window.editor->findChild<TooLargeSheetNotice*>();
    ASSERT_NE(notice, nullptr);
    EXPECT_TRUE(notice->isVisible());
    EXPECT_EQ(notice->text(), "This sheet is too large to edit. Its beginning is shown read-only.");
    // Tinted, with an icon, in the appearance's colours: hard to miss, like every notice.
    for (const bool dark : {false, true}) {
        settings.setAppearance(dark ? AppearanceSetting::dark : AppearanceSetting::light);
        ASSERT_EQ(appearance.isDark(), dark);
        const QImage pixels = notice->grab().toImage();
        EXPECT_EQ(pixels.pixelColor(notice->width() - 3, 3), Theme::informationTint.resolve(dark));
        const QRect icon = notice->iconRect();
        EXPECT_EQ(pixels.pixelColor(icon.left() + 3, icon.center().y()),
                  Theme::informationIcon.resolve(dark));
    }
    EXPECT_TRUE(window.view().isReadOnly());
    EXPECT_EQ(window.view().text().toStdString(), SheetSize::shownPart(huge));

    typeKey(window.view(), Qt::Key_2, QStringLiteral("2"));
    typeKey(window.view(), Qt::Key_Backspace, QString());
    settle();
    EXPECT_EQ(sheetText(0), huge) << "no key changes it";
    EXPECT_EQ(window.view().text().toStdString(), SheetSize::shownPart(huge));

    // Another sheet in the same window is edited as usual.
    window.session->select(store->sheets()[1].id);
    settle();
    EXPECT_FALSE(notice->isVisible());
    EXPECT_FALSE(window.view().isReadOnly());
    EXPECT_EQ(window.view().text(), "1 + 1");
    window.view().setCaret(5, false);
    typeKey(window.view(), Qt::Key_1, QStringLiteral("1"));
    settle();
    EXPECT_EQ(sheetText(1), "1 + 11");
    EXPECT_EQ(window.session->results().front().outcome.debugDescription(), "value 12");
}

TEST_F(SheetEditorTest, TheNoticeSpeaksTheInterfaceLanguage) {
    scope.setLanguage(AppLanguage::japanese);
    EXPECT_EQ(TooLargeSheetNotice::message().toStdString(),
              "このシートは大きすぎて編集できません。先頭の部分を読み取り専用で表示しています。");
    scope.setLanguage(AppLanguage::english);
    EXPECT_EQ(TooLargeSheetNotice::message().toStdString(),
              "This sheet is too large to edit. Its beginning is shown read-only.");
}

} // namespace
} // namespace vell
