#include "Appearance/ColorPair.h"
#include "Dialogs/PromptDialog.h"
#include "Document/VellDocument.h"
#include "Engine/ValueFormatter.h"
#include "Screens/SegmentedPicker.h"
#include "Screens/SyntaxColorSettings.h"
#include "Screens/TermsView.h"
#include "SettingsFixture.h"
#include "Stores/ResultColumn.h"
#include "Support/Contrast.h"
#include "Window/WindowPalette.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>
#include <set>
#include <string>
#include <vector>

namespace vell {
namespace {

using SettingsViewTest = testsupport::SettingsFixture;

template <class Widget = QPushButton>
Widget* control(const QWidget& view, const char* name) {
    auto* found = view.findChild<Widget*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

void click(QAbstractButton* button) {
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
}

// The first line's answer as the answer column shows it.
std::string answer(const SheetSession& session) {
    const std::vector<LineResult>& results = session.results();
    if (results.empty()) return "(no line)";
    if (const Value* value = results.front().outcome.as<Value>()) return ValueFormatter::format(*value, true);
    return "(no value)";
}

QLabel* labelShowing(const QWidget& parent, const QString& text) {
    for (QLabel* label : parent.findChildren<QLabel*>())
        if (label->text() == text) return label;
    return nullptr;
}

TEST_F(SettingsViewTest, EveryControlWritesItsKeyAndValueAtOnce) {
    settings.setLanguage(AppLanguage::japanese);
    auto dialog = present();
    SettingsView* view = viewOf(*dialog);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(dialog->size(), SettingsView::preferredSize);

    struct Case {
        const char* control;
        const char* key;
        const char* stored;
    };
    // Each picks a value other than the default; the language goes last, since it relabels the screen.
    const std::vector<Case> cases = {
        {"appearance.light", "vell.appearance", "light"},
        {"appearance.auto", "vell.appearance", "auto"},
        {"sheetList.sidebar", "vell.sheetListStyle", "sidebar"},
        {"showsNamedValues", "vell.showsNamedValues", "false"},
        {"textSize.xlarge", "vell.textSize", "xlarge"},
        {"keypadSize.small", "vell.keypadSize", "small"},
        {"keypadSide.left", "vell.keypadSide", "left"},
        {"groupsDigits", "vell.groupsDigits", "false"},
        {"angle.degrees", "vell.angle", "degrees"},
        {"language.english", "vell.language", "english"},
    };
    for (const Case& c : cases) {
        QSignalSpy layout(&settings, &AppSettings::layoutChanged);
        EXPECT_NE(defaults.stored(c.key).toString(), c.stored) << c.key;
        click(control<QAbstractButton>(*view, c.control));
        EXPECT_EQ(defaults.stored(c.key).toString(), c.stored) << c.control;
        const std::set<std::string> layoutKeys{"vell.sheetListStyle", "vell.showsNamedValues",
                                               "vell.keypadSize", "vell.keypadSide"};
        EXPECT_EQ(layout.count(), layoutKeys.contains(c.key) ? 1 : 0) << c.control;
    }
    EXPECT_EQ(settings.keypadSize(), KeypadSizeSetting::small);
    EXPECT_EQ(settings.language(), AppLanguage::english);

    // The count of decimals: eleven choices, 0 to 10.
    QComboBox* decimals = view->decimalsBox();
    ASSERT_EQ(decimals->count(), 11);
    EXPECT_EQ(decimals->currentIndex(), 10);
    decimals->setCurrentIndex(4);
    EXPECT_EQ(defaults.stored("vell.maxFractionDigits").toString(), "4");
    EXPECT_EQ(settings.maxFractionDigits(), 4);
}

TEST_F(SettingsViewTest, LabelsInBothLanguagesAndTheOpenScreenRelabelsAtOnce) {
    settings.setLanguage(AppLanguage::japanese);
    auto dialog = present();
    SettingsView* view = viewOf(*dialog);
    ASSERT_NE(view, nullptr);

    struct Case {
        const char* control; // a button by name, or none for a label
        QString japanese;
        QString english;
    };
    const std::vector<Case> cases = {
        {"close", "閉じる", "Close"},
        {"appearance.auto", "自動", "Auto"},
        {"appearance.light", "白", "Light"},
        {"sheetList.tabs", "上のタブ", "Tabs"},
        {"sheetList.sidebar", "サイドバー", "Sidebar"},
        {"textSize.xlarge", "特大", "XL"},
        {"keypadSize.medium", "中", "M"},
        {"keypadSide.right", "右", "Right"},
        {"angle.radians", "ラジアン", "Radians"},
        {"language.system", "自動", "Auto"},
        {"language.japanese", "日本語", "日本語"},
        {"language.english", "English", "English"},
        {"resetColumnWidth", "標準に戻す", "Reset"},
        {"help", "Vell の使い方", "How to Use Vell"},
        {"terms", "利用規約", "Terms of Use"},
        {"syncFolder.choose", "選ぶ…", "Choose…"},
        {"erase", "全ての内容を消去", "Erase All Content"},
        {nullptr, "設定", "Settings"},
        {nullptr, "表示", "Display"},
        {nullptr, "シートの並べ方", "Sheet List"},
        {nullptr, "キーパッド", "Keypad"},
        {nullptr, "小数点以下の最大桁数", "Max Decimal Places"},
        {nullptr, "文字の色", "Text Colors"},
        {nullptr, "白地", "Light"},
        {nullptr, "黒地", "Dark"},
        {nullptr, "同期フォルダ", "Sync Folder"},
        {nullptr, "なし", "None"},
        {nullptr,
         "すべてのシートを消して、空のシート 1 枚から始め直します。"
         "同期フォルダを使っているときは、それを共有するほかのコンピューターからも消えます。",
         "Removes every sheet and starts over with one empty sheet. With a sync folder, sheets are also "
         "removed from the other computers that share it."},
    };
    const auto check = [&](bool english) {
        for (const Case& c : cases) {
            const QString& expected = english ? c.english : c.japanese;
            if (c.control)
                EXPECT_EQ(control<QAbstractButton>(*view, c.control)->text(), expected) << c.control;
            else
                EXPECT_NE(labelShowing(*view, expected), nullptr) << expected.toStdString();
        }
        EXPECT_EQ(view->decimalsBox()->itemText(3), english ? "3" : "3 桁");
        EXPECT_EQ(view->decimalsBox()->itemText(0), english ? "0" : "0 桁");
    };
    check(false);
    click(control(*view, "language.english"));
    check(true);
    // The language picker shows the new choice; the decimals keep theirs.
    EXPECT_TRUE(control(*view, "language.english")->isChecked());
    EXPECT_EQ(view->decimalsBox()->currentIndex(), 10);
}

TEST_F(SettingsViewTest, DecimalPlacesReevaluateEveryWindowOnlyOnARealChange) {
    settings.setLanguage(AppLanguage::english);
    openTwoWindows("2 / 3", "2 / 3 + 1");
    // The store's own answer to the language change above.
    settle();
    const int before = *evaluations;
    auto dialog = present();
    SettingsView* view = viewOf(*dialog);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(*evaluations, before) << "opening the screen evaluates nothing";
    EXPECT_EQ(answer(*first), "0.6666666667");

    view->decimalsBox()->setCurrentIndex(3);
    EXPECT_EQ(answer(*first), "0.667");
    EXPECT_EQ(answer(*second), "1.667");
    ASSERT_FALSE(evaluated->results(std::nullopt).empty());

    const int afterChange = *evaluations;
    view->decimalsBox()->setCurrentIndex(3);
    EXPECT_EQ(*evaluations, afterChange) << "the same count again";

    // A count that was written into the file by hand shows no choice and stays until the user picks.
    settings.setMaxFractionDigits(12);
    EXPECT_EQ(view->decimalsBox()->currentIndex(), -1);
    EXPECT_EQ(defaults.stored("vell.maxFractionDigits").toString(), "12");
    view->decimalsBox()->setCurrentIndex(2);
    EXPECT_EQ(settings.maxFractionDigits(), 2);
    EXPECT_EQ(answer(*second), "1.67");
}

TEST_F(SettingsViewTest, DegreesTurnSineOfThirtyIntoAHalfInEveryWindow) {
    settings.setLanguage(AppLanguage::english);
    openTwoWindows("sin(30)", "sin(30) * 2");
    auto dialog = present();
    SettingsView* view = viewOf(*dialog);
    ASSERT_NE(view, nullptr);
    EXPECT_NE(answer(*first), "0.5");

    click(control(*view, "angle.degrees"));
    EXPECT_EQ(answer(*first), "0.5");
    EXPECT_EQ(answer(*second), "1");
    EXPECT_EQ(evaluated->results(std::nullopt).size(), 1u);

    const int afterChange = *evaluations;
    click(control(*view, "angle.degrees"));
    EXPECT_EQ(*evaluations, afterChange) << "the chosen segment again";
    EXPECT_TRUE(control(*view, "angle.degrees")->isChecked());

    click(control(*view, "angle.radians"));
    EXPECT_EQ(answer(*first), "-0.9880316241");
}

TEST_F(SettingsViewTest, WidthRowShowsTheStoredWidthAndResetsToTheStandard) {
    struct Case {
        double stored;
        const char* shown;
        bool resetChanges;
    };
    for (const Case& c : std::vector<Case>{{180.5, "181 pt", false},
                                           {180.3, "180 pt", false},
                                           {300, "300 pt", true},
                                           {83.5, "84 pt", true}}) {
        settings.setResultColumnWidth(c.stored);
        const QString written = defaults.stored("vell.resultColumnWidth").toString();
        auto dialog = present();
        SettingsView* view = viewOf(*dialog);
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(view->columnWidthLabel()->text(), c.shown) << c.stored;

        QSignalSpy widthChanged(&settings, &AppSettings::resultColumnWidthChanged);
        click(view->resetWidthButton());
        EXPECT_EQ(widthChanged.count(), c.resetChanges ? 1 : 0) << c.stored;
        if (c.resetChanges) {
            EXPECT_EQ(settings.resultColumnWidth(), 180);
            EXPECT_EQ(defaults.stored("vell.resultColumnWidth").toString(), "180");
            EXPECT_EQ(view->columnWidthLabel()->text(), "180 pt");
        } else {
            EXPECT_EQ(defaults.stored("vell.resultColumnWidth").toString(), written) << c.stored;
            EXPECT_EQ(view->columnWidthLabel()->text(), c.shown);
        }
        dialog->reject();
    }

    // A divider dragged in another window shows at once.
    auto dialog = present();
    SettingsView* view = viewOf(*dialog);
    ResultColumn::setWidth(252.4, std::nullopt, settings);
    EXPECT_EQ(view->columnWidthLabel()->text(), "252 pt");
}

TEST_F(SettingsViewTest, EraseAsksFirstThenLeavesOneEmptySheetSavedAndCloses) {
    settings.setLanguage(AppLanguage::english);
    openTwoWindows("1 + 1", "2 + 2");
    std::vector<std::string> oldIds;
    for (const Sheet& s : store->sheets())
        oldIds.push_back(s.id.uuidString());
    ASSERT_GE(oldIds.size(), 2u);
    ASSERT_TRUE(store->canUndo(*store->currentSheetID()));
    const VellDocument before = store->document();
    auto dialog = present();
    SettingsView* view = viewOf(*dialog);
    ASSERT_NE(view, nullptr);

    click(view->eraseButton());
    PromptDialog* question = view->eraseConfirmation();
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(question->title(), "Erase All Content?");
    EXPECT_EQ(control(*question, "confirmErase")->text(), "Erase");
    click(control(*question, "cancelErase"));
    settle();
    EXPECT_EQ(view->eraseConfirmation(), nullptr);
    EXPECT_EQ(store->document(), before);
    EXPECT_TRUE(dialog->isVisible());

    click(view->eraseButton());
    question = view->eraseConfirmation();
    ASSERT_NE(question, nullptr);
    click(control(*question, "confirmErase"));
    settle();

    ASSERT_EQ(store->sheets().size(), 1u);
    const Sheet& left = store->sheets().front();
    EXPECT_EQ(left.name, "New Sheet");
    EXPECT_EQ(left.text, "");
    EXPECT_EQ(store->currentSheetID(), left.id);
    for (const std::string& id : oldIds)
        EXPECT_EQ(store->document().deletedSheets.count(id), 1u) << id;
    EXPECT_FALSE(store->canUndo(*store->currentSheetID()));
    EXPECT_FALSE(store->canRedo(*store->currentSheetID()));
    EXPECT_FALSE(dialog->isVisible());
    // Written at once, not after the save delay.
    store.saver->finishWrites();
    QFile saved(storagePath);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const VellDocument onDisk = VellDocument::decode(saved.readAll().toStdString());
    ASSERT_EQ(onDisk.sheets.size(), 1u);
    EXPECT_EQ(onDisk.sheets.front().id, left.id);
    EXPECT_EQ(onDisk.deletedSheets.size(), oldIds.size());
}

// Only with a sync folder do the sheets go from other computers too, and only then does the question say
// so.
TEST_F(SettingsViewTest, TheEraseQuestionSpeaksOfOtherDevicesOnlyWithASyncFolder) {
    QTemporaryDir shared;
    struct Case {
        AppLanguage language;
        bool synced;
        const char* message;
    };
    const Case cases[] = {
        {AppLanguage::english, false, "All sheets will be deleted. This can’t be undone."},
        {AppLanguage::english, true,
         "All sheets will be deleted. This can’t be undone, and they will disappear from your other devices "
         "too."},
        {AppLanguage::japanese, false, "すべてのシートが消え、元に戻せません。"},
        {AppLanguage::japanese, true, "すべてのシートが消え、元に戻せません。他の端末からも消えます。"},
    };
    openTwoWindows("1", "2");
    const std::size_t sheets = store->sheets().size();
    auto dialog = present();
    SettingsView* view = viewOf(*dialog);
    ASSERT_NE(view, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        settings.setLanguage(c.language);
        settings.setSyncFolder(c.synced ? std::optional<QString>(shared.path()) : std::nullopt);
        click(view->eraseButton());
        PromptDialog* question = view->eraseConfirmation();
        ASSERT_NE(question, nullptr);
        EXPECT_EQ(question->message().toStdString(), c.message);
        click(control(*question, "cancelErase"));
        settle();
    }
    EXPECT_EQ(store->sheets().size(), sheets);
}

// The erase question looks and answers like the window's other questions: no warning picture, and its
// Erase drawn as the destructive Clear of the clear question is.
TEST_F(SettingsViewTest, TheEraseQuestionMarksEraseAsDestructiveInEitherAppearance) {
    settings.setLanguage(AppLanguage::english);
    for (const bool dark : {false, true}) {
        settings.setAppearance(dark ? AppearanceSetting::dark : AppearanceSetting::light);
        window.setPalette(WindowPalette::make(dark));
        auto dialog = present();
        SettingsView* view = viewOf(*dialog);
        ASSERT_NE(view, nullptr);
        click(view->eraseButton());
        QWidget* question = view->eraseConfirmation();
        ASSERT_NE(question, nullptr);
        settle();

        PromptDialog clear(*dialog);
        const QPushButton* destructive =
            clear.addButton(QStringLiteral("Clear"), PromptDialog::Role::destructive);
        const QPushButton* erase = control(*question, "confirmErase");
        ASSERT_NE(erase, nullptr);
        EXPECT_EQ(erase->palette().color(QPalette::ButtonText),
                  destructive->palette().color(QPalette::ButtonText));
        EXPECT_NE(erase->palette().color(QPalette::ButtonText),
                  control(*question, "cancelErase")->palette().color(QPalette::ButtonText));
        for (const QLabel* label : question->findChildren<QLabel*>())
            EXPECT_TRUE(label->pixmap().isNull()) << "no warning picture";
        EXPECT_FALSE(erase->isDefault()) << "Return does not erase";

        click(control(*question, "cancelErase"));
        settle();
        EXPECT_EQ(view->eraseConfirmation(), nullptr);
    }
}

// The chosen segment of every picker reads at 4.5:1, and a swatch whose colour is the panel's own still
// shows its outline at 3:1.
TEST_F(SettingsViewTest, ChosenSegmentsAndSwatchOutlinesStandOutInEitherAppearance) {
    using testsupport::contrastRatio;
    settings.setSyntaxColor("#26262C", "number", true);
    settings.setSyntaxColor("#F6F4F0", "number", false);
    for (const bool dark : {false, true}) {
        SCOPED_TRACE(dark ? "dark" : "light");
        settings.setAppearance(dark ? AppearanceSetting::dark : AppearanceSetting::light);
        auto dialog = present();
        SettingsView* view = viewOf(*dialog);
        ASSERT_NE(view, nullptr);
        const auto pickers = view->findChildren<SegmentedPicker*>();
        ASSERT_FALSE(pickers.empty());
        for (const SegmentedPicker* picker : pickers) {
            const SegmentColors colors = picker->colors();
            EXPECT_GE(contrastRatio(colors.chosenText, colors.chosenFill), 4.5)
                << picker->segment(0)->objectName().toStdString();
        }

        const ColorSwatch& swatch = *view->colors()->row(SyntaxKind::number).dark;
        QWidget& panel = *view->colors()->parentWidget();
        const QImage pixels = panel.grab().toImage();
        const double ratio = pixels.devicePixelRatio();
        const auto at = [&](QPoint inSwatch) {
            const QPoint point = swatch.mapTo(&panel, inSwatch);
            return pixels.pixelColor(point * ratio);
        };
        const QColor background = at(QPoint(-4, swatch.height() / 2));
        const QColor outline = at(QPoint(0, swatch.height() / 2));
        const QColor fill = at(QPoint(swatch.width() / 2, swatch.height() / 2));
        EXPECT_EQ(fill.rgb(), swatch.color().rgb());
        EXPECT_GE(contrastRatio(outline, background), 3.0)
            << outline.name().toStdString() << " on " << background.name().toStdString();
    }
}

TEST_F(SettingsViewTest, ColoursAreStoredPerSideOnlyWhenChosen) {
    settings.setLanguage(AppLanguage::english);
    auto dialog = present();
    SettingsView* view = viewOf(*dialog);
    ASSERT_NE(view, nullptr);
    SyntaxColorSettings* colors = view->colors();

    // Nothing chosen: built-in colours, no reset anywhere.
    for (SyntaxKind kind : SyntaxKinds::allCases) {
        EXPECT_EQ(colors->row(kind).light->color().rgb(),
                  colorOfWord(SyntaxKinds::defaultColors(kind).light).rgb());
        EXPECT_EQ(colors->row(kind).dark->color().rgb(),
                  colorOfWord(SyntaxKinds::defaultColors(kind).dark).rgb());
        EXPECT_TRUE(colors->row(kind).reset->isHidden());
        EXPECT_FALSE(colors->row(kind).reset->isEnabled());
    }
    EXPECT_TRUE(colors->resetAllButton()->isHidden());
    EXPECT_EQ(colors->row(SyntaxKind::number).label->text(), "Numbers");
    EXPECT_EQ(colors->row(SyntaxKind::operatorMark).sample->text(), "+ − × ÷ = ( )");

    std::optional<QColor> answer = QColor(255, 0, 0);
    QColor offered;
    colors->setColorPicker([&](QWidget*, const QColor& initial, const QString&) {
        offered = initial;
        return answer;
    });
    {
        QSignalSpy colorsChanged(&settings, &AppSettings::syntaxColorsChanged);
        click(control<ColorSwatch>(*view, "syntax.number.light"));
        EXPECT_EQ(offered.name(), "#1b1a18");
        EXPECT_EQ(settings.syntaxColors(), (AppSettings::SyntaxColors{{"number.light", "#FF0000"}}));
        EXPECT_EQ(defaults.stored("vell.syntaxColors/number.light").toString(), "#FF0000");
        EXPECT_EQ(colorsChanged.count(), 1);
        EXPECT_EQ(colors->row(SyntaxKind::number).light->color().name(), "#ff0000");
        EXPECT_EQ(colors->row(SyntaxKind::number).dark->color().name(), "#e9e9ec");
        EXPECT_FALSE(colors->row(SyntaxKind::number).reset->isHidden());
        EXPECT_TRUE(colors->row(SyntaxKind::number).reset->isEnabled());
        EXPECT_FALSE(colors->resetAllButton()->isHidden());
    }
    // Cancelled: nothing stored.
    answer.reset();
    click(control<ColorSwatch>(*view, "syntax.unit.dark"));
    EXPECT_FALSE(settings.syntaxHex("unit", true));

    // The built-in colour confirmed is stored too; operators go under their own raw value.
    answer = colorOfWord(SyntaxKinds::defaultColors(SyntaxKind::name).light);
    click(control<ColorSwatch>(*view, "syntax.name.light"));
    EXPECT_EQ(settings.syntaxHex("name", false), "#2F6FED");
    EXPECT_FALSE(colors->row(SyntaxKind::name).reset->isHidden());
    answer = QColor(0x12, 0x34, 0x56);
    click(control<ColorSwatch>(*view, "syntax.operatorMark.dark"));
    EXPECT_EQ(settings.syntaxHex("operatorMark", true), "#123456");

    // A text that reads as no colour shows the built-in one, yet counts as chosen.
    settings.setSyntaxColor("blue", "comment", false);
    EXPECT_EQ(colors->row(SyntaxKind::comment).light->color().name(), "#a8a296");
    EXPECT_FALSE(colors->row(SyntaxKind::comment).reset->isHidden());

    {
        QSignalSpy colorsChanged(&settings, &AppSettings::syntaxColorsChanged);
        click(colors->row(SyntaxKind::comment).reset);
        EXPECT_EQ(colorsChanged.count(), 1);
        EXPECT_FALSE(settings.syntaxHex("comment", false));
        EXPECT_TRUE(colors->row(SyntaxKind::comment).reset->isHidden());
    }
    {
        QSignalSpy colorsChanged(&settings, &AppSettings::syntaxColorsChanged);
        click(colors->resetAllButton());
        EXPECT_EQ(colorsChanged.count(), 1);
        EXPECT_TRUE(settings.syntaxColors().empty());
        EXPECT_FALSE(defaults.contains("vell.syntaxColors/number.light"));
        EXPECT_TRUE(colors->resetAllButton()->isHidden());
        EXPECT_TRUE(colors->row(SyntaxKind::number).reset->isHidden());
    }
}

TEST_F(SettingsViewTest, ASwatchAndItsColourDialogNameTheKindAndTheSide) {
    const struct {
        AppLanguage language;
        SyntaxKind kind;
        bool dark;
        const char* name;
    } cases[] = {
        {AppLanguage::english, SyntaxKind::number, false, "Numbers – Light"},
        {AppLanguage::english, SyntaxKind::comment, true, "Comments – Dark"},
        {AppLanguage::japanese, SyntaxKind::number, false, "数値 – 白地"},
        {AppLanguage::japanese, SyntaxKind::unit, true, "単位 – 黒地"},
    };
    auto dialog = present();
    SyntaxColorSettings* colors = viewOf(*dialog)->colors();
    QString title;
    colors->setColorPicker([&](QWidget*, const QColor&, const QString& asked) -> std::optional<QColor> {
        title = asked;
        return std::nullopt;
    });
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        settings.setLanguage(c.language);
        ColorSwatch* swatch = c.dark ? colors->row(c.kind).dark : colors->row(c.kind).light;
        EXPECT_EQ(swatch->accessibleName().toStdString(), c.name);
        title.clear();
        click(swatch);
        EXPECT_EQ(title.toStdString(), c.name);
    }
}

TEST_F(SettingsViewTest, SyncFolderIsChosenClearedOrRefusedWithItsReason) {
    settings.setLanguage(AppLanguage::english);
    QTemporaryDir shared;
    QFile regular(shared.filePath("notes.txt"));
    ASSERT_TRUE(regular.open(QIODevice::WriteOnly));
    regular.close();

    auto dialog = present();
    SettingsView* view = viewOf(*dialog);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->syncFolderLabel()->text(), "None");
    EXPECT_TRUE(view->clearFolderButton()->isHidden());

    QString offered = shared.path();
    view->setFolderPicker(
        [&](QWidget*, const QString&, const QString&) { return std::optional<QString>(offered); });
    click(view->chooseFolderButton());
    EXPECT_EQ(settings.syncFolder(), shared.path());
    EXPECT_EQ(defaults.stored("vell.syncFolder").toString(), shared.path());
    EXPECT_EQ(view->syncFolderLabel()->toolTip(), shared.path());
    EXPECT_FALSE(view->clearFolderButton()->isHidden());
    EXPECT_EQ(view->syncFolderRefusal(), nullptr);

    click(view->clearFolderButton());
    EXPECT_FALSE(settings.syncFolder());
    EXPECT_FALSE(defaults.contains("vell.syncFolder"));
    EXPECT_EQ(view->syncFolderLabel()->text(), "None");
    EXPECT_TRUE(view->clearFolderButton()->isHidden());

    struct Refused {
        QString folder;
        QString message;
    };
    // The folder that holds the store's own "Vell" folder would make the shared copy the local file.
    for (const Refused& refused : std::vector<Refused>{
             {shared.filePath("notes.txt/inside"), "Vell can't write to this folder"},
             {shared.filePath("missing"), "Vell can't write to this folder"},
             {data.path(), "This is where Vell keeps its own document"},
             {data.path() + "/Vell/..", "This is where Vell keeps its own document"},
         }) {
        offered = refused.folder;
        click(view->chooseFolderButton());
        EXPECT_FALSE(settings.syncFolder()) << refused.folder.toStdString();
        QMessageBox* message = view->syncFolderRefusal();
        ASSERT_NE(message, nullptr);
        EXPECT_EQ(message->text(), refused.message);
        message->accept();
        settle();
    }
    // Cancelling the picker changes nothing.
    view->setFolderPicker([](QWidget*, const QString&, const QString&) { return std::optional<QString>(); });
    click(view->chooseFolderButton());
    EXPECT_FALSE(settings.syncFolder());
    EXPECT_EQ(view->syncFolderRefusal(), nullptr);
}

TEST_F(SettingsViewTest, EscapeClosesAndHelpAndTermsOpenAboveIt) {
    settings.setLanguage(AppLanguage::english);
    auto dialog = present();
    SettingsView* view = viewOf(*dialog);
    ASSERT_NE(view, nullptr);

    click(view->helpButton());
    WindowDialog* help = view->openScreen(WindowDialogKind::help);
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->parentWidget(), dialog.get());
    EXPECT_EQ(help->windowModality(), Qt::WindowModal);
    QTest::keyClick(help->body(), Qt::Key_Escape);
    settle();
    EXPECT_EQ(view->openScreen(WindowDialogKind::help), nullptr);
    EXPECT_TRUE(dialog->isVisible());

    click(view->termsButton());
    WindowDialog* terms = view->openScreen(WindowDialogKind::terms);
    ASSERT_NE(terms, nullptr);
    auto* reading = qobject_cast<TermsView*>(terms->body());
    ASSERT_NE(reading, nullptr);
    EXPECT_EQ(reading->mode(), TermsView::Mode::reading);
    click(reading->closeButton());
    settle();
    EXPECT_EQ(view->openScreen(WindowDialogKind::terms), nullptr);
    EXPECT_TRUE(dialog->isVisible());

    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    QTest::keyClick(view, Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
}

} // namespace
} // namespace vell
