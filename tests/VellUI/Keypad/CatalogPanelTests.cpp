#include "Appearance/Theme.h"
#include "Keypad/ArrangeHeader.h"
#include "Keypad/CatalogGrid.h"
#include "Keypad/CatalogPanel.h"
#include "Keypad/CatalogSlotCell.h"
#include "Keypad/Catalogs.h"
#include "Keypad/EditorCommands.h"
#include "Keypad/Keypad.h"
#include "Keypad/KeypadTestSupport.h"
#include "Keypad/KeypadToolButtons.h"
#include "Keypad/KeypadView.h"
#include "SheetEditor/SheetEditorFixture.h"
#include "Stores/ViewSwitches.h"
#include "Support/Contrast.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineF>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>

namespace vell::testsupport {
namespace {

using Ids = std::vector<std::string>;

// Keys held 20 ms before they drag, and no animations, unless a test asks for them.
CatalogTiming quickCatalog() {
    return CatalogTiming{std::chrono::milliseconds(20), std::chrono::milliseconds(0),
                         std::chrono::milliseconds(0)};
}

Ids functionIds() {
    Ids ids;
    for (const CatalogGroup& group : FunctionCatalog::categories())
        for (const FunctionItem& item : group.items)
            ids.push_back(item.id);
    return ids;
}

Ids first(const Ids& ids, std::size_t count) {
    return Ids(ids.begin(), ids.begin() + static_cast<std::ptrdiff_t>(std::min(count, ids.size())));
}

// The stored order of a kind, read back from the settings file as the next start would read it.
std::map<std::string, Ids> storedOrder(const TempDefaults& defaults, const char* key) {
    const QVariant value = defaults.stored(QString::fromLatin1(key));
    const QByteArray json = value.typeId() == QMetaType::QStringList ? value.toStringList().join(',').toUtf8()
                                                                     : value.toString().toUtf8();
    std::map<std::string, Ids> order;
    const QJsonObject object = QJsonDocument::fromJson(json).object();
    for (auto member = object.begin(); member != object.end(); ++member)
        for (const QJsonValue& id : member.value().toArray())
            order[member.key().toStdString()].push_back(id.toString().toStdString());
    return order;
}

// The keypad of a main window over the editor fixture, its catalog panel driven as a user drives it.
class CatalogPanelTest : public SheetEditorTest {
protected:
    ~CatalogPanelTest() override {
        keypad.reset();
        commands.reset();
    }

    // A window on a sheet holding `text`, its keypad 800 × 300 with the stored panel open.
    Keypad& openKeypad(const char* panel, const std::string& text = "", QSize size = {800, 300},
                       CatalogTiming timing = quickCatalog(), KeyLayoutStore* layouts = nullptr) {
        keypad.reset();
        commands.reset();
        windows.clear();
        openSheets({text});
        switches.setKeypadPanel(panel);
        Window& window = openWindow();
        commands = std::make_unique<EditorCommands>();
        window.editor->takeCommands(*commands);
        keypad = std::make_unique<Keypad>(*commands, *window.session,
                                          Keypad::Services{settings, switches, appearance,
                                                           layouts ? *layouts : keyLayouts, quickTiming(),
                                                           timing});
        keypad->resize(size);
        keypad->show();
        settle();
        return *keypad;
    }

    CatalogPanel& panel() const {
        CatalogPanel* open = keypad->view().catalogPanel();
        EXPECT_NE(open, nullptr);
        return *open;
    }
    CatalogGrid& grid() const { return panel().grid(); }
    CatalogSlotCell& cell(const std::string& id) const {
        CatalogSlotCell* found = grid().cell(id);
        EXPECT_NE(found, nullptr) << "no cell " << id;
        return *found;
    }
    QPointF centreOf(const std::string& id) const { return QRectF(*grid().frameOf(id)).center(); }
    CalcTextView& editor() const { return windows.back().view(); }

    void startArranging() const {
        cell(grid().frames().front().id).rearrangeAction().trigger();
        ASSERT_TRUE(panel().arranging());
    }

    // Mouse events on the grid, where the real window sends them once cells step aside.
    void press(QPointF at) const { Hand::send(grid(), QEvent::MouseButtonPress, at); }
    void moveTo(QPointF at) const { Hand::send(grid(), QEvent::MouseMove, at); }
    void release(QPointF at) const { Hand::send(grid(), QEvent::MouseButtonRelease, at); }
    bool holdUntilDragging() const {
        return QTest::qWaitFor([this] { return grid().isDragging(); }, 2000);
    }
    // Picks the slot up, holds it and lets it go over the target's place.
    void drag(const std::string& id, const std::string& target) const {
        press(centreOf(id));
        ASSERT_TRUE(holdUntilDragging());
        const QPointF over = centreOf(target);
        moveTo(over);
        release(over);
    }

    // Nothing lifted and nothing floating: every cell fully drawn.
    void expectNothingLifted() const {
        EXPECT_FALSE(grid().liftedId());
        EXPECT_EQ(grid().draggedCopy(), nullptr);
        for (const CatalogGrid::SlotFrame& slot : grid().frames())
            EXPECT_EQ(cell(slot.id).faceOpacity(), 1.0) << slot.id;
    }

    ViewSwitches switches{defaults.open()};
    std::unique_ptr<EditorCommands> commands;
    std::unique_ptr<Keypad> keypad;
};

TEST_F(CatalogPanelTest, TheFunctionPanelShowsItsKeysInCatalogOrderInThreeColumns) {
    openKeypad("関数");
    ASSERT_EQ(grid().shownOrder().size(), 1u);
    EXPECT_EQ(grid().shownOrder()[0], functionIds());
    EXPECT_EQ(functionIds().size(), 58u);
    for (const QLabel* title : grid().titles())
        EXPECT_FALSE(title->isVisible()) << "the function panel has no title";

    const auto& frames = grid().frames();
    ASSERT_GE(frames.size(), 4u);
    EXPECT_EQ(frames[0].frame.top(), frames[2].frame.top());
    EXPECT_LT(frames[0].frame.right(), frames[1].frame.left());
    EXPECT_LT(frames[1].frame.right(), frames[2].frame.left());
    EXPECT_NEAR(frames[0].frame.width(), frames[2].frame.width(), 1);
    EXPECT_EQ(frames[3].frame.left(), frames[0].frame.left());
    EXPECT_EQ(frames[3].frame.top(), frames[0].frame.bottom() + 1 + CatalogGrid::spacing);
    for (const auto& slot : frames) {
        EXPECT_EQ(slot.frame.height(), 30);
        EXPECT_EQ(cell(slot.id).geometry(), slot.frame) << slot.id;
    }
    EXPECT_EQ(panel().scrollArea().verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_GT(grid().height(), panel().scrollArea().viewport()->height()) << "58 keys scroll";
}

TEST_F(CatalogPanelTest, TheUnitPanelTitlesItsGroupsAndTakesMoreColumnsWhenWider) {
    openKeypad("単位");
    std::vector<std::string> titles;
    for (const QLabel* title : grid().titles()) {
        EXPECT_TRUE(title->isVisible());
        titles.push_back(title->text().toStdString());
    }
    ASSERT_EQ(titles.size(), 12u);
    EXPECT_EQ(titles[0], "Convert");
    EXPECT_EQ(titles[1], "Money");
    EXPECT_EQ(titles[11], "Angle");
    const QLabel& convert = *grid().titles()[0];
    EXPECT_LT(convert.geometry().bottom(), grid().frameOf("in")->top()) << "a title stands above its keys";

    const int narrow = grid().columnCount(grid().width());
    keypad->resize(1100, 300);
    settle();
    const int wide = grid().columnCount(grid().width());
    EXPECT_GT(wide, narrow);
    // Length has seven keys: the first row holds as many as there are columns.
    const int top = grid().frameOf("mm")->top();
    int inFirstRow = 0;
    for (const char* id : {"mm", "cm", "m", "km", "inch", "ft", "mi"})
        inFirstRow += grid().frameOf(id)->top() == top ? 1 : 0;
    EXPECT_EQ(inFirstRow, std::min(wide, 7));
    EXPECT_GE(grid().frameOf("mm")->width(), 60);
}

TEST_F(CatalogPanelTest, AClickedKeyGoesIntoTheEditorAsItsSnippet) {
    const struct {
        const char* panel;
        const char* text;
        int caret;
        const char* key;
        const char* result;
        int caretAfter;
    } cases[] = {
        {"単位", "100", 3, "km", "100 km", 6}, {"単位", "1 m", 3, "in", "1 m in ", 7},
        {"関数", "", 0, "if", "if :", 3},      {"関数", "", 0, "π", "pi", 2},
        {"単位", "", 0, "kN/m²", "kN/m2", 5},  {"関数", "2", 1, "sqrt", "2 sqrt()", 7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        openKeypad(c.panel, c.text);
        setCaret(editor(), c.caret);
        Hand::click(cell(c.key));
        EXPECT_EQ(sheetText(), c.result);
        EXPECT_EQ(caret(editor()), c.caretAfter);
        EXPECT_EQ(editor().window()->focusWidget(), &editor()) << "the editor keeps the keyboard";
    }
    EXPECT_EQ(CatalogPanel::keyFor({"km", "km", "km", 0, ""}), KeypadKey::text("km", "km"));
    EXPECT_EQ(CatalogPanel::keyFor({"if", "if", "if :", 1, ""}), KeypadKey::snippet("if :", 1));
}

TEST_F(CatalogPanelTest, TheLanguageRetitlesAnOpenPanelAndAStoredArrangementStillApplies) {
    openKeypad("単位");
    EXPECT_EQ(cell("km").toolTip(), "Kilometers");
    EXPECT_EQ(cell("in").toolTip(), "Convert units: 100 m in km");
    keyLayouts.move("km", "円", KeyLayoutStore::Kind::units);
    EXPECT_EQ(grid().shownOrder()[1], (Ids{"km", "円", "万円", "$", "€"}));

    settings.setLanguage(AppLanguage::japanese);
    EXPECT_EQ(grid().titles()[0]->text(), "換算");
    EXPECT_EQ(grid().titles()[1]->text(), "お金");
    EXPECT_EQ(cell("km").toolTip(), "キロメートル");
    EXPECT_EQ(cell("km").rearrangeAction().text(), "キーを並べ替える");
    EXPECT_EQ(grid().shownOrder()[1], (Ids{"km", "円", "万円", "$", "€"}));
    EXPECT_EQ(storedOrder(defaults, "vell.keyLayout.units")["お金"], (Ids{"km", "円", "万円", "$", "€"}));

    startArranging();
    const ArrangeHeader& header = panel().header();
    EXPECT_EQ(header.hint().text(), "つまんで並べ替え");
    EXPECT_EQ(header.addGapButton().text(), "空きを足す");
    EXPECT_EQ(header.resetButton().text(), "標準に戻す");
    EXPECT_EQ(header.doneButton().text(), "完了");
}

TEST_F(CatalogPanelTest, WhileArrangingKeysInsertNothingAndOfferNoTipOrMenu) {
    openKeypad("関数", "1");
    setCaret(editor(), 1);
    CatalogSlotCell& sqrt = cell("sqrt");
    EXPECT_EQ(sqrt.toolTip(), "Square root");
    EXPECT_EQ(sqrt.contextMenuPolicy(), Qt::ActionsContextMenu);
    ASSERT_EQ(sqrt.actions().size(), 1);
    EXPECT_EQ(sqrt.actions()[0]->text(), "Rearrange Keys");
    EXPECT_FALSE(panel().header().isVisible());

    sqrt.actions()[0]->trigger();
    const ArrangeHeader& header = panel().header();
    EXPECT_TRUE(panel().arranging());
    EXPECT_TRUE(header.isVisible());
    EXPECT_EQ(panel().headerShown(), 1.0);
    EXPECT_EQ(header.hint().text(), "Drag keys to rearrange");
    EXPECT_EQ(header.addGapButton().text(), "Add a gap");
    EXPECT_EQ(header.doneButton().text(), "Done");
    EXPECT_FALSE(header.resetButton().isVisible()) << "nothing to reset yet";
    EXPECT_GE(panel().scrollArea().y(), header.geometry().bottom()) << "the bar stands above the keys";

    Hand::click(sqrt);
    EXPECT_EQ(sheetText(), "1");
    expectNothingLifted();
    EXPECT_EQ(sqrt.toolTip(), "");
    EXPECT_EQ(sqrt.contextMenuPolicy(), Qt::NoContextMenu);
    // A right click finds no menu on the key, nor around it.
    QTimer guard;
    guard.callOnTimeout([] {
        if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
    });
    guard.start(50);
    QContextMenuEvent menu(QContextMenuEvent::Mouse, sqrt.rect().center(),
                           sqrt.mapToGlobal(sqrt.rect().center()));
    QCoreApplication::sendEvent(&sqrt, &menu);
    EXPECT_TRUE(menu.isAccepted());
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);

    Hand::click(header.doneButton());
    EXPECT_FALSE(panel().arranging());
    EXPECT_FALSE(header.isVisible());
    EXPECT_EQ(sqrt.toolTip(), "Square root");
    Hand::click(sqrt);
    EXPECT_EQ(sheetText(), "1 sqrt()");
}

TEST_F(CatalogPanelTest, ADraggedKeyFollowsThePointerAndResetRestoresTheCatalogOrder) {
    openKeypad("関数");
    startArranging();
    const QRect sqrtFrame = *grid().frameOf("sqrt");

    press(centreOf("sqrt"));
    // Lifted at once: its cell faint, its copy over its place.
    EXPECT_EQ(grid().liftedId(), "sqrt");
    EXPECT_EQ(cell("sqrt").faceOpacity(), 0.2);
    ASSERT_NE(grid().draggedCopy(), nullptr);
    EXPECT_LT(QLineF(grid().draggedCopy()->centre(), QRectF(sqrtFrame).center()).length(), 1.5);
    EXPECT_NEAR(grid().draggedCopy()->faceRect().width(), sqrtFrame.width() * 1.08, 1);
    EXPECT_TRUE(grid().draggedCopy()->testAttribute(Qt::WA_TransparentForMouseEvents));

    ASSERT_TRUE(holdUntilDragging());
    // Into the space between two keys, where no key belongs.
    const QPointF between(sqrtFrame.right() + 3, QRectF(sqrtFrame).center().y());
    moveTo(between);
    EXPECT_LT(QLineF(grid().draggedCopy()->centre(), between).length(), 1.5);
    EXPECT_EQ(grid().shownOrder()[0], functionIds());
    const QPointF over = centreOf("round");
    moveTo(over);
    const Ids order = grid().shownOrder()[0];
    EXPECT_EQ(first(order, 5), (Ids{"abs", "round", "sqrt", "floor", "ceil"}));
    // The moved key now lies under the pointer: moving on within it moves nothing more.
    moveTo(over + QPointF(3, 2));
    EXPECT_EQ(grid().shownOrder()[0], order);
    release(over);
    expectNothingLifted();

    EXPECT_EQ(first(storedOrder(defaults, "vell.keyLayout.functions")[""], 5),
              (Ids{"abs", "round", "sqrt", "floor", "ceil"}));
    HeaderButton& reset = panel().header().resetButton();
    ASSERT_TRUE(reset.isVisible());
    Hand::click(reset);
    EXPECT_FALSE(defaults.contains("vell.keyLayout.functions"));
    EXPECT_FALSE(reset.isVisible());
    EXPECT_EQ(grid().shownOrder()[0], functionIds());
    EXPECT_EQ(*grid().frameOf("sqrt"), sqrtFrame);
    EXPECT_EQ(cell("sqrt").geometry(), sqrtFrame);
}

TEST_F(CatalogPanelTest, HitTestingUsesTheKeysPlacesWhileTheySlide) {
    CatalogTiming timing = quickCatalog();
    timing.slide = std::chrono::milliseconds(2000);
    openKeypad("関数", "", {800, 300}, timing);
    startArranging();
    press(centreOf("sqrt"));
    ASSERT_TRUE(holdUntilDragging());
    const QPointF over = centreOf("round");
    moveTo(over);
    const Ids order = grid().shownOrder()[0];
    ASSERT_EQ(first(order, 3), (Ids{"abs", "round", "sqrt"}));
    EXPECT_NE(cell("round").geometry(), *grid().frameOf("round")) << "still sliding";
    // The sliding cell of "round" still covers the pointer, but its place is elsewhere now.
    for (int step = 1; step <= 4; ++step)
        moveTo(over + QPointF(step, 0));
    EXPECT_EQ(grid().shownOrder()[0], order);
    release(over);
    EXPECT_TRUE(
        QTest::qWaitFor([this] { return cell("round").geometry() == *grid().frameOf("round"); }, 4000));
}

TEST_F(CatalogPanelTest, UnitKeysMoveWithinTheirGroupAndIntoAnother) {
    openKeypad("単位");
    startArranging();
    drag("km", "inch");
    EXPECT_EQ(grid().shownOrder()[4], (Ids{"mm", "cm", "m", "inch", "km", "ft", "mi"}));
    drag("km", "円");
    EXPECT_EQ(grid().shownOrder()[1], (Ids{"km", "円", "万円", "$", "€"}));
    EXPECT_EQ(grid().shownOrder()[4], (Ids{"mm", "cm", "m", "inch", "ft", "mi"}));
    expectNothingLifted();
}

TEST_F(CatalogPanelTest, APressLetGoOrMovedAwayBeforeTheHoldLeavesNothingLifted) {
    CatalogTiming slow = quickCatalog();
    slow.hold = std::chrono::seconds(60);
    openKeypad("関数", "", {800, 300}, slow);
    startArranging();
    const QRect sqrt = *grid().frameOf("sqrt");
    const QRect abs = *grid().frameOf("abs");

    // Let go at once.
    press(QRectF(sqrt).center());
    EXPECT_EQ(grid().liftedId(), "sqrt");
    release(QRectF(sqrt).center());
    expectNothingLifted();

    // Moved 11 before the hold is over, then on over another key.
    press(QRectF(sqrt).center());
    moveTo(QRectF(sqrt).center() + QPointF(11, 0));
    expectNothingLifted();
    moveTo(QRectF(abs).center());
    release(QRectF(abs).center());
    expectNothingLifted();

    // Within 10 of the press but already over the next key: no place is looked up yet.
    const QPointF edge(sqrt.right() - 1, QRectF(sqrt).center().y());
    press(edge);
    moveTo(edge + QPointF(8, 0));
    ASSERT_TRUE(abs.contains((edge + QPointF(8, 0)).toPoint()));
    EXPECT_EQ(grid().liftedId(), "sqrt");
    release(edge + QPointF(8, 0));
    expectNothingLifted();

    EXPECT_EQ(grid().shownOrder()[0], functionIds());
    EXPECT_FALSE(keyLayouts.isCustomized(KeyLayoutStore::Kind::functions));

    // Done while a slot is lifted puts it down too.
    press(QRectF(sqrt).center());
    Hand::click(panel().header().doneButton());
    expectNothingLifted();
}

TEST_F(CatalogPanelTest, GapsAreAddedAndRemovedAndAreEmptyCellsOutsideArranging) {
    openKeypad("単位", "5");
    setCaret(editor(), 1);
    startArranging();
    Hand::click(panel().header().addGapButton());
    const Ids angle = grid().shownOrder()[11];
    ASSERT_EQ(angle.size(), 3u);
    EXPECT_EQ(first(angle, 2), (Ids{"deg", "rad"}));
    const std::string gap = angle[2];
    EXPECT_TRUE(gap.starts_with("blank:"));
    EXPECT_TRUE(panel().header().resetButton().isVisible());

    QAbstractButton* remove = grid().removeButton(gap);
    ASSERT_NE(remove, nullptr);
    EXPECT_TRUE(remove->isVisible());
    EXPECT_EQ(remove->size(), QSize(30, 26));
    EXPECT_EQ(remove->geometry().center(), grid().frameOf(gap)->center());
    EXPECT_EQ(remove->toolTip(), "Remove this gap");

    const auto rendered = [](QWidget& widget) {
        QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        return image;
    };
    QImage blank(cell(gap).size(), QImage::Format_ARGB32_Premultiplied);
    blank.fill(Qt::transparent);
    EXPECT_NE(rendered(cell(gap)), blank) << "a dashed outline while arranging";

    Hand::click(panel().header().doneButton());
    EXPECT_EQ(grid().removeButton(gap), nullptr);
    CatalogSlotCell& empty = cell(gap);
    EXPECT_EQ(empty.geometry().height(), 30);
    EXPECT_EQ(empty.toolTip(), "");
    EXPECT_EQ(empty.actions().size(), 1) << "a gap offers arranging too";
    Hand::click(empty);
    EXPECT_EQ(sheetText(), "5");
    EXPECT_EQ(rendered(empty), blank) << "drawn as nothing";

    empty.rearrangeAction().trigger();
    Hand::click(*grid().removeButton(gap));
    EXPECT_EQ(grid().shownOrder()[11], (Ids{"deg", "rad"}));
    EXPECT_EQ(grid().cell(gap), nullptr);
}

TEST_F(CatalogPanelTest, AGroupDraggedEmptyKeepsItsTitleAndARow) {
    openKeypad("単位");
    startArranging();
    const QLabel& convert = *grid().titles()[0];
    const QLabel& money = *grid().titles()[1];
    const int distance = money.y() - convert.y();
    drag("in", "円");
    drag("→", "円");
    EXPECT_TRUE(grid().shownOrder()[0].empty());
    EXPECT_EQ(grid().shownOrder()[1], (Ids{"in", "→", "円", "万円", "$", "€"}));
    EXPECT_TRUE(convert.isVisible());
    EXPECT_EQ(money.y() - convert.y(), distance);
}

// A trackpad has no wheel to turn while a key is held: the panel scrolls by itself while the dragged key
// is held near its top or bottom edge, and stops when the key leaves the edge or is let go.
TEST_F(CatalogPanelTest, AKeyHeldNearAnEdgeScrollsThePanelUntilItReachesAGroupOutOfSight) {
    openKeypad("単位");
    startArranging();
    QScrollBar& bar = *panel().scrollArea().verticalScrollBar();
    QWidget& viewport = *panel().scrollArea().viewport();
    ASSERT_GT(bar.maximum(), 0);
    bar.setValue(bar.maximum());
    const std::string deg = grid().shownOrder().back().front();
    const auto inViewport = [&](const std::string& id) {
        return QRect(grid().mapTo(&viewport, grid().frameOf(id)->topLeft()), grid().frameOf(id)->size());
    };
    ASSERT_TRUE(viewport.rect().contains(inViewport(deg))) << "the angle keys are in sight at the bottom";
    ASSERT_FALSE(viewport.rect().intersects(inViewport("円"))) << "the money keys are out of sight";

    press(centreOf(deg));
    ASSERT_TRUE(holdUntilDragging());
    // Held still in the middle: nothing scrolls.
    const QPoint middle(inViewport(deg).center().x(), viewport.height() / 2);
    moveTo(grid().mapFrom(&viewport, middle));
    const int before = bar.value();
    QTest::qWait(150);
    EXPECT_EQ(bar.value(), before);

    // Held at the top edge: the panel scrolls up to its top.
    const QPoint edge(middle.x(), 3);
    moveTo(grid().mapFrom(&viewport, edge));
    EXPECT_TRUE(QTest::qWaitFor([&] { return bar.value() == 0; }, 4000)) << "stopped at " << bar.value();
    EXPECT_LT(QLineF(grid().draggedCopy()->centre(), grid().mapFrom(&viewport, edge)).length(), 1.5)
        << "the dragged key stays under the pointer while the keys scroll past";
    ASSERT_TRUE(viewport.rect().contains(inViewport("円")));
    const QPointF yen = centreOf("円");
    moveTo(yen);
    release(yen);
    EXPECT_EQ(grid().shownOrder()[1], (Ids{deg, "円", "万円", "$", "€"}));
    expectNothingLifted();

    // Let go: no more scrolling, even where the key was let go near an edge.
    bar.setValue(bar.maximum() / 2);
    const int resting = bar.value();
    QTest::qWait(150);
    EXPECT_EQ(bar.value(), resting);
}

// Against what each stands on: the toggles on their faces over the keypad, the group titles on the
// keypad, the arranging bar's hint and buttons on the bar.
TEST_F(CatalogPanelTest, EveryTextOfTheToolRowAndThePanelReadsAtFourAndAHalfToOne) {
    openKeypad("単位");
    startArranging();
    keyLayouts.addBlank(KeyLayoutStore::Kind::units);
    for (const bool dark : {false, true}) {
        SCOPED_TRACE(dark ? "dark" : "light");
        settings.setAppearance(dark ? AppearanceSetting::dark : AppearanceSetting::light);
        const QColor window = Theme::windowBackground.resolve(dark);
        for (const KeypadTab tab : {KeypadTab::functions, KeypadTab::units}) {
            const PanelToggle& toggle = keypad->view().panelToggle(tab);
            EXPECT_GE(contrastRatio(toggle.textColor(), blended(toggle.fillColor(), window)), 4.5)
                << (toggle.isOpen() ? "open " : "closed ") << toggle.text().toStdString();
        }
        for (const QLabel* title : grid().titles())
            EXPECT_GE(contrastRatio(title->palette().color(QPalette::WindowText), window), 4.5)
                << title->text().toStdString();
        const ArrangeHeader& header = panel().header();
        const QColor bar = header.barColor();
        EXPECT_GE(contrastRatio(header.hint().palette().color(QPalette::WindowText), bar), 4.5) << "hint";
        for (const HeaderButton* button :
             {&header.addGapButton(), &header.resetButton(), &header.doneButton()})
            EXPECT_GE(contrastRatio(button->textColor(), bar), 4.5) << button->text().toStdString();
    }
}

TEST_F(CatalogPanelTest, TheArrangementReachesTheDocumentAndANewKeypad) {
    openKeypad("単位");
    startArranging();
    drag("km", "inch");
    ASSERT_TRUE(waitForSave(*store));
    ASSERT_TRUE(keyLayouts.isCustomized(KeyLayoutStore::Kind::units));
    EXPECT_EQ(documentOnDisk().keyLayouts, keyLayouts.layouts());
    const auto arranged = grid().shownOrder();

    // The next start reads the same settings.
    KeyLayoutStore restarted(defaults.open(), clock);
    openKeypad("単位", "", {800, 300}, quickCatalog(), &restarted);
    EXPECT_EQ(grid().shownOrder(), arranged);
    EXPECT_FALSE(panel().arranging()) << "arranging is never kept";
    keypad.reset();
}

} // namespace
} // namespace vell::testsupport
