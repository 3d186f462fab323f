#include "Window/SidebarView.h"

#include "Appearance/Appearance.h"
#include "Appearance/Fonts.h"
#include "Appearance/Theme.h"
#include "Engine/L10n.h"
#include "Keypad/EditorCommands.h"
#include "Stores/AppSettings.h"
#include "Stores/DocumentStore.h"
#include "Stores/Preferences.h"
#include "Stores/SheetListModel.h"
#include "Stores/SheetSession.h"
#include "Stores/UiText.h"
#include "Window/NamedValueModel.h"
#include "Window/SheetRename.h"
#include "Window/SidebarDelegates.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>

namespace vell {

namespace {

constexpr qreal headerSize = 11;
constexpr int headerLeading = 16;
constexpr int headerTop = 10;
constexpr int headerBottom = 4;
constexpr qreal buttonTextSize = 12;
constexpr int buttonHorizontalPadding = 14;
constexpr int buttonVerticalPadding = 10;
constexpr ColorPair sidebarFill{0xF3F2EEFF, 0x26262AFF};

void setTextColor(QWidget& widget, const QColor& color) {
    QPalette palette = widget.palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    widget.setPalette(palette);
}

// A list that shows all its rows at once (the sidebar scrolls as a whole) on the sidebar's own fill.
void makePlainList(QListView& list) {
    list.setFrameShape(QFrame::NoFrame);
    list.setSelectionMode(QAbstractItemView::NoSelection);
    list.setEditTriggers(QAbstractItemView::NoEditTriggers);
    list.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list.setUniformItemSizes(true);
    list.setFocusPolicy(Qt::NoFocus);
    list.setMouseTracking(true);
    list.viewport()->setAutoFillBackground(false);
    list.setAutoFillBackground(false);
    list.setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

// "+ New Sheet" under the list: the whole width is the button.
class NewSheetRowButton : public QAbstractButton {
public:
    NewSheetRowButton(Appearance& appearance, QWidget* parent)
        : QAbstractButton(parent), appearance_(appearance) {
        setFocusPolicy(Qt::NoFocus);
        setFont(Fonts::system(buttonTextSize));
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        connect(&appearance_, &Appearance::changed, this, [this] { update(); });
    }

    QSize sizeHint() const override {
        return {QFontMetrics(font()).horizontalAdvance(text()) + 2 * buttonHorizontalPadding + 20,
                QFontMetrics(font()).height() + 2 * buttonVerticalPadding};
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QColor ink = Theme::ink.resolve(appearance_.isDark());
        if (isDown()) ink.setAlphaF(0.5f);
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const qreal middle = height() / 2.0;
        const qreal left = buttonHorizontalPadding + 2;
        constexpr qreal arm = 4.5;
        painter.setPen(QPen(ink, 1.4, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(left, middle), QPointF(left + 2 * arm, middle));
        painter.drawLine(QPointF(left + arm, middle - arm), QPointF(left + arm, middle + arm));
        painter.setFont(font());
        painter.drawText(QRect(static_cast<int>(left + 2 * arm + 7), 0, width(), height()),
                         Qt::AlignVCenter | Qt::AlignLeft, text());
    }

private:
    Appearance& appearance_;
};

} // namespace

// The sheet rows: dragged by hand (the list selects nothing, which Qt's own drag needs), dropped into
// the gap under the pointer by the model's move, never removed by the view afterwards.
class SidebarView::SheetListView : public QListView {
public:
    explicit SheetListView(Appearance& appearance, QWidget* parent)
        : QListView(parent), appearance_(appearance) {
        setAcceptDrops(true);
        viewport()->setAcceptDrops(true);
        setDragEnabled(false);
    }

    // Closes the open field without storing what it holds.
    void abandonEditor(QWidget* editor) {
        if (editor && state() == EditingState) closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
    }

    // The gap a drop at that point goes into: 0 before the first row up to the row count after the last.
    int gapAt(const QPoint& point) const {
        const QModelIndex index = indexAt(point);
        if (!index.isValid()) return point.y() < 0 ? 0 : model()->rowCount();
        return point.y() < visualRect(index).center().y() ? index.row() : index.row() + 1;
    }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        // A click anywhere in the list takes the focus from an open field, which stores its name. A right
        // click leaves it: its menu may rename another row, which abandons this one.
        if (state() == EditingState && event->button() == Qt::LeftButton) setFocus(Qt::MouseFocusReason);
        pressPosition_ = event->position().toPoint();
        pressedRow_ = event->button() == Qt::LeftButton ? indexAt(pressPosition_).row() : -1;
        QListView::mousePressEvent(event);
    }

    void mouseMoveEvent(QMouseEvent* event) override {
        if (pressedRow_ >= 0 && (event->buttons() & Qt::LeftButton) && state() != EditingState &&
            (event->position().toPoint() - pressPosition_).manhattanLength() >=
                QApplication::startDragDistance()) {
            const QModelIndex index = model()->index(pressedRow_, 0);
            pressedRow_ = -1;
            auto* drag = new QDrag(this);
            drag->setMimeData(model()->mimeData({index}));
            const QRect row = visualRect(index);
            drag->setPixmap(viewport()->grab(row));
            drag->setHotSpot(pressPosition_ - row.topLeft());
            drag->exec(Qt::MoveAction);
            setState(NoState);
            return;
        }
        QListView::mouseMoveEvent(event);
    }

    void dragEnterEvent(QDragEnterEvent* event) override { dragMoveEvent(event); }

    void dragMoveEvent(QDragMoveEvent* event) override {
        if (!event->mimeData() ||
            !event->mimeData()->hasFormat(QString::fromLatin1(SheetListModel::rowsFormat))) {
            event->ignore();
            return;
        }
        dropGap_ = gapAt(event->position().toPoint());
        event->setDropAction(Qt::MoveAction);
        event->accept();
        viewport()->update();
    }

    void dragLeaveEvent(QDragLeaveEvent*) override {
        dropGap_ = -1;
        viewport()->update();
    }

    void dropEvent(QDropEvent* event) override {
        dropGap_ = -1;
        viewport()->update();
        const int gap = gapAt(event->position().toPoint());
        if (!event->mimeData() || !model()->dropMimeData(event->mimeData(), Qt::MoveAction, gap, 0, {})) {
            event->ignore();
            return;
        }
        event->setDropAction(Qt::MoveAction);
        event->accept();
    }

    void paintEvent(QPaintEvent* event) override {
        QListView::paintEvent(event);
        if (dropGap_ < 0) return;
        const int rows = model()->rowCount();
        int y = 0;
        if (rows > 0)
            y = dropGap_ < rows ? visualRect(model()->index(dropGap_, 0)).top()
                                : visualRect(model()->index(rows - 1, 0)).bottom() + 1;
        QPainter painter(viewport());
        painter.fillRect(QRect(8, std::max(0, y - 1), viewport()->width() - 16, 2),
                         Theme::accent.resolve(appearance_.isDark()));
    }

private:
    Appearance& appearance_;
    QPoint pressPosition_;
    int pressedRow_ = -1;
    int dropGap_ = -1;
};

SidebarView::SidebarView(SheetSession& session, SheetListModel& sheets, AppSettings& settings,
                         Appearance& appearance, EditorCommands& commands, QWidget* parent)
    : QWidget(parent), store_(session.store()), session_(session), settings_(settings),
      appearance_(appearance), commands_(commands), sheetModel_(&sheets),
      namedValueModel_(new NamedValueModel(session, this)),
      sheetDelegate_(new SheetRowDelegate(
          session, appearance, [this](const Uuid& id) { return renamingSheetID_ == id && renameEditor_; },
          this)),
      scrollArea_(new QScrollArea(this)), sheetsHeader_(new QLabel),
      sheetList_(new SheetListView(appearance, this)), namedValuesHeader_(new QLabel),
      namedValueList_(new QListView), newSheetButton_(new NewSheetRowButton(appearance, this)) {
    auto* content = new QWidget;
    content->setAutoFillBackground(false);
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    for (QLabel* header : {sheetsHeader_, namedValuesHeader_}) {
        header->setTextFormat(Qt::PlainText);
        header->setFont(Fonts::system(headerSize, QFont::DemiBold));
        header->setContentsMargins(headerLeading, headerTop, headerLeading, headerBottom);
    }
    column->addWidget(sheetsHeader_);
    column->addWidget(sheetList_);
    column->addWidget(namedValuesHeader_);
    column->addWidget(namedValueList_);
    column->addStretch(1);

    scrollArea_->setFrameShape(QFrame::NoFrame);
    scrollArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrollArea_->setWidgetResizable(true);
    scrollArea_->setFocusPolicy(Qt::NoFocus);
    scrollArea_->viewport()->setAutoFillBackground(false);
    scrollArea_->setWidget(content);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(scrollArea_, 1);
    layout->addWidget(newSheetButton_);

    makePlainList(*sheetList_);
    sheetList_->setModel(sheetModel_);
    sheetList_->setItemDelegate(sheetDelegate_);
    sheetList_->setContextMenuPolicy(Qt::CustomContextMenu);
    makePlainList(*namedValueList_);
    namedValueList_->setModel(namedValueModel_);
    namedValueList_->setItemDelegate(new NamedValueDelegate(appearance, this));
    namedValueList_->setCursor(Qt::PointingHandCursor);

    connect(sheetList_, &QListView::clicked, this, [this](const QModelIndex& index) {
        if (const auto id = sheetModel_->sheetID(index.row())) select(*id);
    });
    connect(sheetList_, &QListView::doubleClicked, this, [this](const QModelIndex& index) {
        if (const auto id = sheetModel_->sheetID(index.row())) startRename(*id);
    });
    connect(sheetList_, &QWidget::customContextMenuRequested, this, [this](const QPoint& point) {
        const auto id = sheetModel_->sheetID(sheetList_->indexAt(point).row());
        if (!id) return;
        QMenu* menu = makeContextMenu(*id, this);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(sheetList_->viewport()->mapToGlobal(point));
    });
    connect(namedValueList_, &QListView::clicked, this,
            [this](const QModelIndex& index) { insertNamedValue(index.row()); });
    connect(sheetDelegate_, &SheetRowDelegate::committed, this, &SidebarView::commitRename);
    connect(sheetDelegate_, &QAbstractItemDelegate::closeEditor, this,
            [this](QWidget* editor) { editorClosed(editor); });
    connect(newSheetButton_, &QAbstractButton::clicked, this, &SidebarView::addSheet);

    for (QAbstractItemModel* model : {static_cast<QAbstractItemModel*>(sheetModel_),
                                      static_cast<QAbstractItemModel*>(namedValueModel_)}) {
        connect(model, &QAbstractItemModel::rowsInserted, this, &SidebarView::applySettings);
        connect(model, &QAbstractItemModel::rowsRemoved, this, &SidebarView::applySettings);
        connect(model, &QAbstractItemModel::modelReset, this, &SidebarView::applySettings);
    }
    connect(sheetModel_, &QAbstractItemModel::rowsRemoved, this, &SidebarView::sheetsRemoved);
    connect(sheetModel_, &QAbstractItemModel::modelReset, this, &SidebarView::sheetsRemoved);
    connect(&session_, &SheetSession::sheetIDChanged, sheetList_->viewport(),
            [this] { sheetList_->viewport()->update(); });
    connect(&settings_, &AppSettings::layoutChanged, this, &SidebarView::applySettings);
    connect(&settings_, &AppSettings::languageChanged, this, &SidebarView::applySettings);
    connect(&appearance_, &Appearance::changed, this, &SidebarView::applySettings);
    applySettings();
}

QListView* SidebarView::sheetList() const {
    return sheetList_;
}

bool SidebarView::showsSheets() const {
    return !sheetList_->isHidden();
}

bool SidebarView::showsNamedValues() const {
    return !namedValueList_->isHidden();
}

void SidebarView::applySettings() {
    const bool dark = appearance_.isDark();
    sheetsHeader_->setText(uiText("シート", "Sheets"));
    namedValuesHeader_->setText(uiText("名前の付いた値", "Named Values"));
    newSheetButton_->setText(uiText("新しいシート", "New Sheet"));
    newSheetButton_->updateGeometry();
    for (QLabel* header : {sheetsHeader_, namedValuesHeader_})
        setTextColor(*header, Theme::secondaryInk.resolve(dark));

    const bool sheets = settings_.sheetListStyle() != SheetListStyle::tabs;
    const bool values = settings_.showsNamedValues() && namedValueModel_->rowCount() > 0;
    sheetsHeader_->setVisible(sheets);
    sheetList_->setVisible(sheets);
    namedValuesHeader_->setVisible(values);
    namedValueList_->setVisible(values);
    fitLists();
    update();
}

void SidebarView::fitLists() {
    sheetList_->setFixedHeight(sheetModel_->rowCount() * SheetRowDelegate::rowHeight + 2);
    namedValueList_->setFixedHeight(namedValueModel_->rowCount() * NamedValueDelegate::rowHeight + 2);
}

void SidebarView::sheetsRemoved() {
    // A sheet deleted while its row was being renamed takes its field with it; the rename is over.
    if (renamingSheetID_ && !store_.sheet(*renamingSheetID_)) {
        renamingSheetID_.reset();
        renameEditor_ = nullptr;
    }
}

void SidebarView::select(const Uuid& sheetID) {
    session_.select(sheetID);
}

void SidebarView::addSheet() {
    session_.addSheet();
}

void SidebarView::startRename(const Uuid& sheetID) {
    const int row = sheetModel_->row(sheetID);
    if (row < 0) return;
    if (renamingSheetID_ || renameEditor_) cancelRename();
    renamingSheetID_ = sheetID;
    const QModelIndex index = sheetModel_->index(row);
    sheetList_->edit(index);
    renameEditor_ = sheetList_->indexWidget(index);
    if (!renameEditor_) {
        renamingSheetID_.reset();
        return;
    }
    // Going to another window or a menu leaves the rename open; the field gets its focus back later.
    renameEditor_->installEventFilter(this);
    renameEditor_->setFocus(Qt::OtherFocusReason);
    sheetList_->viewport()->update();
}

void SidebarView::cancelRename() {
    renamingSheetID_.reset();
    QPointer<QWidget> editor = renameEditor_;
    renameEditor_ = nullptr;
    sheetList_->abandonEditor(editor);
    sheetList_->viewport()->update();
}

QLineEdit* SidebarView::renameField() const {
    return renamingSheetID_ ? qobject_cast<QLineEdit*>(renameEditor_.data()) : nullptr;
}

void SidebarView::commitRename(QWidget* editor, const QString& text) {
    if (!renamingSheetID_ || editor != renameEditor_) return;
    const Uuid sheetID = *renamingSheetID_;
    // Cleared first: the field's loss of focus that follows finds no rename to store again.
    renamingSheetID_.reset();
    SheetRename::commit(store_, sheetID, text);
}

void SidebarView::editorClosed(QWidget* editor) {
    if (editor != renameEditor_) return;
    renamingSheetID_.reset();
    renameEditor_ = nullptr;
    sheetList_->viewport()->update();
}

void SidebarView::insertNamedValue(int row) {
    const QString name = namedValueModel_->name(row);
    if (name.isEmpty()) return;
    emit commands_.insertSnippet(InsertSnippet{name.toStdString(), 0, true});
}

QMenu* SidebarView::makeContextMenu(const Uuid& sheetID, QWidget* parent) {
    auto* menu = new QMenu(parent);
    menu->addAction(uiText("名前を変更", "Rename"), this, [this, sheetID] { startRename(sheetID); });
    // The copy shows in the window it was made from.
    menu->addAction(uiText("複製", "Duplicate"), this, [this, sheetID] { session_.duplicateSheet(sheetID); });
    menu->addSeparator();
    QAction* remove =
        menu->addAction(uiText("削除", "Delete"), this, [this, sheetID] { store_.deleteSheet(sheetID); });
    remove->setEnabled(store_.sheets().size() >= 2);
    return menu;
}

bool SidebarView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == renameEditor_ && event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) return true;
    }
    return QWidget::eventFilter(watched, event);
}

void SidebarView::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(rect(), sidebarFill.resolve(appearance_.isDark()));
}

} // namespace vell
