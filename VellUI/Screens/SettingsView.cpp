#include "Screens/SettingsView.h"

#include "Appearance/Appearance.h"
#include "Appearance/Fonts.h"
#include "Appearance/Theme.h"
#include "Dialogs/PromptDialog.h"
#include "Engine/L10n.h"
#include "Screens/ScreenParts.h"
#include "Screens/SegmentedPicker.h"
#include "Screens/SyntaxColorSettings.h"
#include "Stores/AppSettings.h"
#include "Stores/DocumentStore.h"
#include "Stores/Preferences.h"
#include "Stores/QtText.h"
#include "Stores/ResultColumn.h"
#include "Stores/UiText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QStandardPaths>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <utility>

namespace vell {

namespace {

// The panels that group the rows of a section.
constexpr ColorPair groupFill{0xF6F4F0FF, 0x26262CFF};
constexpr int maxDecimalPlaces = 10;

template <class Enum, std::size_t N>
int indexOf(const std::array<Enum, N>& cases, Enum value) {
    const auto found = std::find(cases.begin(), cases.end(), value);
    return found == cases.end() ? -1 : static_cast<int>(found - cases.begin());
}

template <class Enum, std::size_t N>
std::optional<Enum> caseAt(const std::array<Enum, N>& cases, int index) {
    if (index < 0 || index >= static_cast<int>(N)) return std::nullopt;
    return cases[static_cast<std::size_t>(index)];
}

QLabel* wrappingLabel(qreal size) {
    auto* label = new QLabel;
    label->setFont(Fonts::system(size));
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    return label;
}

// A rounded panel holding the rows of one section.
class GroupPanel : public QWidget {
public:
    GroupPanel() { setAttribute(Qt::WA_StyledBackground, false); }
    void setColors(const QColor& fill, const QColor& stroke) {
        fill_ = fill;
        stroke_ = stroke;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(stroke_, 1));
        painter.setBrush(fill_);
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
    }

private:
    QColor fill_;
    QColor stroke_;
};

// One line of text cut with an ellipsis in the middle to the width it is given; the whole text is in
// the tooltip.
class ElidedLabel : public QLabel {
public:
    ElidedLabel() {
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        setTextFormat(Qt::PlainText);
    }
    void setFullText(const QString& text) {
        full_ = text;
        elide();
    }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QLabel::resizeEvent(event);
        elide();
    }

private:
    void elide() { setText(fontMetrics().elidedText(full_, Qt::ElideMiddle, std::max(width(), 40))); }
    QString full_;
};

enum class Glyph {
    help,
    document,
    trash
};

// The small pictures before the help, terms and erase buttons, in the button's ink.
QIcon glyphIcon(Glyph glyph, const QColor& ink) {
    constexpr int size = 16;
    QPixmap pixmap(size * 2, size * 2);
    pixmap.setDevicePixelRatio(2);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(ink, 1.3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    switch (glyph) {
    case Glyph::help: {
        painter.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        QFont font = Fonts::system(11, QFont::DemiBold);
        painter.setFont(font);
        painter.drawText(QRectF(0, 0, size, size), Qt::AlignCenter, QStringLiteral("?"));
        break;
    }
    case Glyph::document: {
        QPainterPath page;
        page.moveTo(3.5, 1.5);
        page.lineTo(9.5, 1.5);
        page.lineTo(12.5, 4.5);
        page.lineTo(12.5, 14.5);
        page.lineTo(3.5, 14.5);
        page.closeSubpath();
        painter.drawPath(page);
        for (qreal y : {7.0, 9.5, 12.0})
            painter.drawLine(QPointF(5.5, y), QPointF(10.5, y));
        break;
    }
    case Glyph::trash:
        painter.drawLine(QPointF(2.5, 4), QPointF(13.5, 4));
        painter.drawLine(QPointF(6, 4), QPointF(6.5, 2));
        painter.drawLine(QPointF(6.5, 2), QPointF(9.5, 2));
        painter.drawLine(QPointF(9.5, 2), QPointF(10, 4));
        painter.drawRoundedRect(QRectF(4, 4, 8, 10.5), 1.5, 1.5);
        painter.drawLine(QPointF(6.7, 6.5), QPointF(6.7, 12));
        painter.drawLine(QPointF(9.3, 6.5), QPointF(9.3, 12));
        break;
    }
    return QIcon(pixmap);
}

QHBoxLayout* rowLayout() {
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    return row;
}

// Two paths name one file, whether or not it exists yet: by the canonical folder and the name.
bool sameLocation(const QString& a, const QString& b) {
    const QFileInfo first(a);
    const QFileInfo second(b);
    std::error_code error;
    if (first.exists() && second.exists() &&
        std::filesystem::equivalent(a.toStdString(), b.toStdString(), error))
        return true;
    if (first.fileName() != second.fileName()) return false;
    const QString firstFolder = QFileInfo(first.absolutePath()).canonicalFilePath();
    const QString secondFolder = QFileInfo(second.absolutePath()).canonicalFilePath();
    if (!firstFolder.isEmpty() && !secondFolder.isEmpty()) return firstFolder == secondFolder;
    return QDir::cleanPath(first.absoluteFilePath()) == QDir::cleanPath(second.absoluteFilePath());
}

} // namespace

SettingsView::FolderPicker SettingsView::defaultFolderPicker() {
    return [](QWidget* parent, const QString& title, const QString& start) -> std::optional<QString> {
        const QString folder =
            QFileDialog::getExistingDirectory(parent, title, start, QFileDialog::ShowDirsOnly);
        if (folder.isEmpty()) return std::nullopt;
        return folder;
    };
}

std::optional<QString> SettingsView::syncFolderProblem(const QString& folder,
                                                       const std::optional<QString>& ownDocument) {
    const QFileInfo info(folder);
    if (folder.isEmpty() || QDir::isRelativePath(folder) || !info.isDir() || !info.isWritable())
        return uiText("このフォルダには書き込めません", "Vell can't write to this folder");
    // The shared copy would be the local file itself, and the store would quietly sync nothing.
    if (ownDocument &&
        sameLocation(QDir(folder).filePath(QStringLiteral("Vell/document.json")), *ownDocument))
        return uiText("ここは Vell 自身の書類の場所です", "This is where Vell keeps its own document");
    return std::nullopt;
}

QString SettingsView::widthText(double width) {
    // std::round takes halves away from zero.
    return QString::number(static_cast<long long>(std::round(width))) + QStringLiteral(" pt");
}

SettingsView::SettingsView(DocumentStore& store, SheetSession& session, Services services,
                           DialogBodyFactory screens, QWidget* parent)
    : QWidget(parent), store_(store), session_(session), settings_(services.settings),
      documentPath_(std::move(services.documentPath)), appearance_(services.appearance),
      screens_(std::move(screens)), folderPicker_(defaultFolderPicker()),
      columnWidth_(services.settings.resultColumnWidth()) {
    build();
    // The screen shows every setting; the language also arrives as a change of the engine settings.
    for (const auto changed :
         {&AppSettings::engineSettingsChanged, &AppSettings::editorFontChanged,
          &AppSettings::appearanceChanged, &AppSettings::syntaxColorsChanged, &AppSettings::layoutChanged,
          &AppSettings::digitGroupingChanged, &AppSettings::syncFolderChanged})
        connect(&settings_, changed, this, &SettingsView::refresh);
    connect(&settings_, &AppSettings::resultColumnWidthChanged, this, &SettingsView::syncColumnWidth);
    connect(&appearance_, &Appearance::changed, this, &SettingsView::recolor);
    refresh();
    recolor();
}

void SettingsView::build() {
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(16, 16, 16, 16);
    title_ = new QLabel(this);
    title_->setFont(Fonts::system(15, QFont::DemiBold));
    header->addWidget(title_);
    header->addStretch(1);
    closeButton_ = new QPushButton(this);
    closeButton_->setObjectName(QStringLiteral("close"));
    closeButton_->setShortcut(QKeySequence::Cancel);
    closeButton_->setAutoDefault(false);
    connect(closeButton_, &QPushButton::clicked, this, &SettingsView::closeRequested);
    header->addWidget(closeButton_);
    root->addLayout(header);
    divider_ = new Divider(this);
    root->addWidget(divider_);
    inkLabels_.push_back(title_);

    scrollArea_ = new QScrollArea(this);
    scrollArea_->setFrameShape(QFrame::NoFrame);
    scrollArea_->setWidgetResizable(true);
    scrollArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    root->addWidget(scrollArea_, 1);

    page_ = new QWidget;
    auto* page = new QVBoxLayout(page_);
    page->setContentsMargins(20, 16, 20, 20);
    page->setSpacing(18);

    // Display.
    QVBoxLayout* group = addSection(page, &display_.header, &display_.footer);
    appearancePicker_ = captionRow(group, &appearanceCaption_);
    for (AppearanceSetting option : AppearanceSettings::allCases)
        appearancePicker_->addOption(QStringLiteral("appearance.") +
                                     fromU8(AppearanceSettings::rawValue(option)));
    connect(appearancePicker_, &SegmentedPicker::picked, this, [this](int index) {
        if (auto value = caseAt(AppearanceSettings::allCases, index)) settings_.setAppearance(*value);
    });
    addHairline(group);
    sheetListPicker_ = captionRow(group, &sheetListCaption_);
    for (SheetListStyle option : SheetListStyles::allCases)
        sheetListPicker_->addOption(QStringLiteral("sheetList.") + fromU8(SheetListStyles::rawValue(option)));
    connect(sheetListPicker_, &SegmentedPicker::picked, this, [this](int index) {
        if (auto value = caseAt(SheetListStyles::allCases, index)) settings_.setSheetListStyle(*value);
    });
    addHairline(group);
    namedValuesToggle_ = new QCheckBox;
    namedValuesToggle_->setObjectName(QStringLiteral("showsNamedValues"));
    namedValuesToggle_->setFont(Fonts::system(13));
    connect(namedValuesToggle_, &QCheckBox::toggled, this,
            [this](bool on) { settings_.setShowsNamedValues(on); });
    group->addWidget(namedValuesToggle_);
    addHairline(group);
    textSizePicker_ = captionRow(group, &textSizeCaption_);
    for (TextSizeSetting option : TextSizeSettings::allCases)
        textSizePicker_->addOption(QStringLiteral("textSize.") + fromU8(TextSizeSettings::rawValue(option)));
    connect(textSizePicker_, &SegmentedPicker::picked, this, [this](int index) {
        if (auto value = caseAt(TextSizeSettings::allCases, index)) settings_.setTextSize(*value);
    });
    addHairline(group);
    {
        QHBoxLayout* row = rowLayout();
        columnWidthTitle_ = new QLabel;
        columnWidthTitle_->setFont(Fonts::system(13));
        columnWidthLabel_ = new QLabel;
        columnWidthLabel_->setObjectName(QStringLiteral("columnWidth"));
        columnWidthLabel_->setFont(Fonts::monospacedDigits(12));
        resetWidthButton_ = new QPushButton;
        resetWidthButton_->setObjectName(QStringLiteral("resetColumnWidth"));
        resetWidthButton_->setFont(Fonts::system(11));
        resetWidthButton_->setAutoDefault(false);
        connect(resetWidthButton_, &QPushButton::clicked, this, &SettingsView::resetColumnWidth);
        row->addWidget(columnWidthTitle_);
        row->addStretch(1);
        row->addWidget(columnWidthLabel_);
        row->addWidget(resetWidthButton_);
        group->addLayout(row);
        inkLabels_.push_back(columnWidthTitle_);
        secondaryLabels_.push_back(columnWidthLabel_);
    }

    // Keypad.
    group = addSection(page, &keypad_.header, &keypad_.footer);
    keypadSizePicker_ = captionRow(group, &keypadSizeCaption_);
    for (KeypadSizeSetting option : KeypadSizeSettings::allCases)
        keypadSizePicker_->addOption(QStringLiteral("keypadSize.") +
                                     fromU8(KeypadSizeSettings::rawValue(option)));
    connect(keypadSizePicker_, &SegmentedPicker::picked, this, [this](int index) {
        if (auto value = caseAt(KeypadSizeSettings::allCases, index)) settings_.setKeypadSize(*value);
    });
    addHairline(group);
    keypadSidePicker_ = captionRow(group, &keypadSideCaption_);
    for (KeypadSide option : KeypadSides::allCases)
        keypadSidePicker_->addOption(QStringLiteral("keypadSide.") + fromU8(KeypadSides::rawValue(option)));
    connect(keypadSidePicker_, &SegmentedPicker::picked, this, [this](int index) {
        if (auto value = caseAt(KeypadSides::allCases, index)) settings_.setKeypadSide(*value);
    });

    // Calculation.
    group = addSection(page, &calculation_.header, &calculation_.footer);
    groupDigitsToggle_ = new QCheckBox;
    groupDigitsToggle_->setObjectName(QStringLiteral("groupsDigits"));
    groupDigitsToggle_->setFont(Fonts::system(13));
    connect(groupDigitsToggle_, &QCheckBox::toggled, this,
            [this](bool on) { settings_.setGroupsDigits(on); });
    group->addWidget(groupDigitsToggle_);
    addHairline(group);
    {
        QHBoxLayout* row = rowLayout();
        decimalsTitle_ = new QLabel;
        decimalsTitle_->setFont(Fonts::system(13));
        decimalsBox_ = new QComboBox;
        decimalsBox_->setObjectName(QStringLiteral("maxFractionDigits"));
        for (int places = 0; places <= maxDecimalPlaces; ++places) {
            decimalsBox_->addItem(QString(), places);
            // Rows a pointer can pick from.
            decimalsBox_->setItemData(places, QSize(0, 24), Qt::SizeHintRole);
        }
        // Every count at once, in a list wide enough to read.
        decimalsBox_->setMaxVisibleItems(maxDecimalPlaces + 1);
        decimalsBox_->setMinimumWidth(88);
        // Only a real change: picking the count already chosen evaluates nothing.
        connect(decimalsBox_, &QComboBox::currentIndexChanged, this, [this](int index) {
            if (index < 0 || index == settings_.maxFractionDigits()) return;
            settings_.setMaxFractionDigits(index);
        });
        row->addWidget(decimalsTitle_);
        row->addStretch(1);
        row->addWidget(decimalsBox_);
        group->addLayout(row);
        inkLabels_.push_back(decimalsTitle_);
    }
    addHairline(group);
    {
        QHBoxLayout* row = rowLayout();
        angleTitle_ = new QLabel;
        angleTitle_->setFont(Fonts::system(13));
        anglePicker_ = new SegmentedPicker;
        anglePicker_->setFixedWidth(200);
        for (AngleSetting option : AngleSettings::allCases)
            anglePicker_->addOption(QStringLiteral("angle.") + fromU8(AngleSettings::rawValue(option)));
        connect(anglePicker_, &SegmentedPicker::picked, this, [this](int index) {
            const auto value = caseAt(AngleSettings::allCases, index);
            if (!value || *value == settings_.angle()) return;
            settings_.setAngle(*value);
        });
        row->addWidget(angleTitle_);
        row->addStretch(1);
        row->addWidget(anglePicker_);
        group->addLayout(row);
        inkLabels_.push_back(angleTitle_);
        pickers_.push_back(anglePicker_);
    }

    // Text colours.
    group = addSection(page, &colorsSection_.header, &colorsSection_.footer);
    colors_ = new SyntaxColorSettings(settings_);
    group->addWidget(colors_);

    // Help.
    group = addSection(page, &help_.header, nullptr);
    for (QPushButton** button : {&helpButton_, &termsButton_}) {
        *button = new QPushButton;
        (*button)->setFlat(true);
        (*button)->setAutoDefault(false);
        (*button)->setFont(Fonts::system(13));
        (*button)->setCursor(Qt::PointingHandCursor);
        group->addWidget(*button);
        if (*button == helpButton_) addHairline(group);
    }
    helpButton_->setObjectName(QStringLiteral("help"));
    termsButton_->setObjectName(QStringLiteral("terms"));
    connect(helpButton_, &QPushButton::clicked, this, &SettingsView::openHelp);
    connect(termsButton_, &QPushButton::clicked, this, &SettingsView::openTerms);

    // Language.
    group = addSection(page, nullptr, nullptr);
    languagePicker_ = captionRow(group, &languageCaption_);
    for (AppLanguage option : AppLanguages::allCases)
        languagePicker_->addOption(QStringLiteral("language.") + fromU8(AppLanguages::rawValue(option)));
    connect(languagePicker_, &SegmentedPicker::picked, this, [this](int index) {
        if (auto value = caseAt(AppLanguages::allCases, index)) settings_.setLanguage(*value);
    });

    // Sync.
    group = addSection(page, &sync_.header, &sync_.footer);
    {
        QHBoxLayout* row = rowLayout();
        syncFolderTitle_ = new QLabel;
        syncFolderTitle_->setFont(Fonts::system(13));
        chooseFolderButton_ = new QPushButton;
        chooseFolderButton_->setObjectName(QStringLiteral("syncFolder.choose"));
        chooseFolderButton_->setAutoDefault(false);
        clearFolderButton_ = new QPushButton;
        clearFolderButton_->setObjectName(QStringLiteral("syncFolder.clear"));
        clearFolderButton_->setAutoDefault(false);
        connect(chooseFolderButton_, &QPushButton::clicked, this, &SettingsView::chooseSyncFolder);
        connect(clearFolderButton_, &QPushButton::clicked, this, &SettingsView::clearSyncFolder);
        row->addWidget(syncFolderTitle_);
        row->addStretch(1);
        row->addWidget(chooseFolderButton_);
        row->addWidget(clearFolderButton_);
        group->addLayout(row);
        auto* path = new ElidedLabel;
        path->setObjectName(QStringLiteral("syncFolder.path"));
        path->setFont(Fonts::system(12));
        syncFolderLabel_ = path;
        group->addWidget(syncFolderLabel_);
        inkLabels_.push_back(syncFolderTitle_);
        secondaryLabels_.push_back(syncFolderLabel_);
    }

    // Erase all content.
    group = addSection(page, nullptr, &erase_.footer);
    eraseButton_ = new QPushButton;
    eraseButton_->setObjectName(QStringLiteral("erase"));
    eraseButton_->setFlat(true);
    eraseButton_->setAutoDefault(false);
    eraseButton_->setFont(Fonts::system(13));
    eraseButton_->setCursor(Qt::PointingHandCursor);
    connect(eraseButton_, &QPushButton::clicked, this, &SettingsView::askToErase);
    group->addWidget(eraseButton_);

    page->addStretch(1);
    scrollArea_->setWidget(page_);
}

QVBoxLayout* SettingsView::addSection(QVBoxLayout* page, QLabel** header, QLabel** footer) {
    auto* section = new QVBoxLayout;
    section->setSpacing(6);
    if (header) {
        *header = new QLabel;
        (*header)->setFont(Fonts::system(12, QFont::DemiBold));
        (*header)->setContentsMargins(8, 0, 0, 0);
        secondaryLabels_.push_back(*header);
        section->addWidget(*header);
    }
    auto* panel = new GroupPanel;
    auto* rows = new QVBoxLayout(panel);
    rows->setContentsMargins(12, 8, 12, 8);
    rows->setSpacing(8);
    groups_.push_back(panel);
    section->addWidget(panel);
    if (footer) {
        *footer = wrappingLabel(11);
        (*footer)->setContentsMargins(8, 0, 8, 0);
        secondaryLabels_.push_back(*footer);
        section->addWidget(*footer);
    }
    page->addLayout(section);
    return rows;
}

SegmentedPicker* SettingsView::captionRow(QVBoxLayout* group, QLabel** caption) {
    auto* row = new QVBoxLayout;
    row->setContentsMargins(0, 2, 0, 2);
    row->setSpacing(5);
    *caption = new QLabel;
    (*caption)->setFont(Fonts::system(12));
    secondaryLabels_.push_back(*caption);
    auto* picker = new SegmentedPicker;
    pickers_.push_back(picker);
    row->addWidget(*caption);
    row->addWidget(picker);
    group->addLayout(row);
    return picker;
}

void SettingsView::addHairline(QVBoxLayout* group) {
    auto* line = new Divider;
    hairlines_.push_back(line);
    group->addWidget(line);
}

void SettingsView::refresh() {
    title_->setText(uiText("設定", "Settings"));
    // The name of the dialog that shows it, in the desktop's window list.
    setWindowTitle(title_->text());
    closeButton_->setText(uiText("閉じる", "Close"));

    display_.header->setText(uiText("表示", "Display"));
    display_.footer->setText(uiText("解答欄の幅は、本文との境目（縦線）を左右にドラッグしても変えられます。",
                                    "You can also drag the divider between the text and the answers."));
    const auto labelPicker = [](SegmentedPicker* picker, QLabel* caption, const QString& text) {
        caption->setText(text);
        picker->setAccessibleName(text);
    };
    labelPicker(appearancePicker_, appearanceCaption_, uiText("画面の表示", "Appearance"));
    labelPicker(sheetListPicker_, sheetListCaption_, uiText("シートの並べ方", "Sheet List"));
    labelPicker(textSizePicker_, textSizeCaption_, uiText("文字サイズ", "Text Size"));
    namedValuesToggle_->setText(uiText("左の欄に名前の付いた値を出す", "Show named values in the sidebar"));
    columnWidthTitle_->setText(uiText("解答欄の幅", "Answer Column Width"));
    resetWidthButton_->setText(uiText("標準に戻す", "Reset"));

    keypad_.header->setText(uiText("キーパッド", "Keypad"));
    keypad_.footer->setText(
        uiText("テンキーを画面のどちら側に置くか選べます。左利きの方は「左」が押しやすいかもしれません。",
               "Choose which side of the screen the number pad sits on. If you are left-handed, "
               "“Left” may be easier to reach."));
    labelPicker(keypadSizePicker_, keypadSizeCaption_, uiText("ボタンの大きさ", "Key Size"));
    labelPicker(keypadSidePicker_, keypadSideCaption_, uiText("テンキーの位置", "Keypad Side"));

    calculation_.header->setText(uiText("計算", "Calculation"));
    calculation_.footer->setText(
        uiText("打っている途中でも 1,234 のように区切ります。答えの側は、この設定に関わらず区切って出ます。",
               "Numbers you type are shown as 1,234 as you go. Results are always grouped."));
    groupDigitsToggle_->setText(uiText("打つときも 3 桁ごとに区切る", "Group digits while typing"));
    decimalsTitle_->setText(uiText("小数点以下の最大桁数", "Max Decimal Places"));
    decimalsBox_->setAccessibleName(decimalsTitle_->text());
    angleTitle_->setText(uiText("角度", "Angles"));
    anglePicker_->setAccessibleName(angleTitle_->text());

    colorsSection_.header->setText(SyntaxColorSettings::title());
    colorsSection_.footer->setText(SyntaxColorSettings::footer());

    help_.header->setText(uiText("使い方", "Help"));
    helpButton_->setText(uiText("Vell の使い方", "How to Use Vell"));
    termsButton_->setText(uiText("利用規約", "Terms of Use"));

    labelPicker(languagePicker_, languageCaption_, uiText("言語", "Language"));

    sync_.header->setText(uiText("同期", "Sync"));
    sync_.footer->setText(
        uiText("同期ツールで共有しているフォルダを選ぶと、その中の「Vell」フォルダで同期します。"
               "次の起動から有効です。",
               "Choose a folder your file-sync tool shares; Vell keeps its copy in a “Vell” folder "
               "inside it. Takes effect at the next start."));
    syncFolderTitle_->setText(uiText("同期フォルダ", "Sync Folder"));
    chooseFolderButton_->setText(uiText("選ぶ…", "Choose…"));
    clearFolderButton_->setText(uiText("外す", "Clear"));

    erase_.footer->setText(
        uiText("すべてのシートを消して、空のシート 1 枚から始め直します。"
               "同期フォルダを使っているときは、それを共有するほかのコンピューターからも消えます。",
               "Removes every sheet and starts over with one empty sheet. With a sync folder, "
               "sheets are also removed from the other computers that share it."));
    eraseButton_->setText(uiText("全ての内容を消去", "Erase All Content"));

    // Option texts and the stored values, put back without announcing them as the user's choices.
    const auto setOptions = [](SegmentedPicker* picker, const auto& cases, auto label, int current) {
        const QSignalBlocker blocker(picker);
        for (std::size_t i = 0; i < cases.size(); ++i)
            picker->setOptionText(static_cast<int>(i), QString::fromStdString(label(cases[i])));
        picker->setCurrent(current);
    };
    setOptions(appearancePicker_, AppearanceSettings::allCases, &AppearanceSettings::label,
               indexOf(AppearanceSettings::allCases, settings_.appearance()));
    setOptions(sheetListPicker_, SheetListStyles::allCases, &SheetListStyles::label,
               indexOf(SheetListStyles::allCases, settings_.sheetListStyle()));
    setOptions(textSizePicker_, TextSizeSettings::allCases, &TextSizeSettings::label,
               indexOf(TextSizeSettings::allCases, settings_.textSize()));
    setOptions(keypadSizePicker_, KeypadSizeSettings::allCases, &KeypadSizeSettings::label,
               indexOf(KeypadSizeSettings::allCases, settings_.keypadSize()));
    setOptions(keypadSidePicker_, KeypadSides::allCases, &KeypadSides::label,
               indexOf(KeypadSides::allCases, settings_.keypadSide()));
    setOptions(anglePicker_, AngleSettings::allCases, &AngleSettings::label,
               indexOf(AngleSettings::allCases, settings_.angle()));
    setOptions(
        languagePicker_, AppLanguages::allCases,
        [](AppLanguage language) -> std::string {
            switch (language) {
            case AppLanguage::japanese:
                return "日本語";
            case AppLanguage::english:
                return "English";
            case AppLanguage::system:
                break;
            }
            return L10n::text("自動", "Auto");
        },
        indexOf(AppLanguages::allCases, settings_.language()));
    {
        const QSignalBlocker blocker(namedValuesToggle_);
        namedValuesToggle_->setChecked(settings_.showsNamedValues());
    }
    {
        const QSignalBlocker blocker(groupDigitsToggle_);
        groupDigitsToggle_->setChecked(settings_.groupsDigits());
    }
    {
        const QSignalBlocker blocker(decimalsBox_);
        for (int places = 0; places <= maxDecimalPlaces; ++places)
            decimalsBox_->setItemText(places, L10n::isEnglish()
                                                  ? QString::number(places)
                                                  : QString::number(places) + QStringLiteral(" 桁"));
        // A count outside the offered ones shows no choice and stays stored until the user picks one.
        const std::int64_t stored = settings_.maxFractionDigits();
        decimalsBox_->setCurrentIndex(stored >= 0 && stored <= maxDecimalPlaces ? static_cast<int>(stored)
                                                                                : -1);
    }
    colors_->refresh();
    syncColumnWidth();
    showSyncFolder();
}

void SettingsView::recolor() {
    const bool dark = appearance_.isDark();
    const QColor card = Theme::card.resolve(dark);
    const QColor ink = Theme::ink.resolve(dark);
    const QColor secondary = Theme::secondaryInk.resolve(dark);
    const QColor stroke = Theme::separator.resolve(dark);
    // Links stand on the section panels, where the plain accent reads below 4.5:1.
    const QColor link = Theme::accentText.resolve(dark);
    const QColor red = Theme::destructive.resolve(dark);

    setBackgroundColor(this, card);
    setBackgroundColor(scrollArea_->viewport(), card);
    setBackgroundColor(page_, card);
    divider_->setColor(stroke);
    for (QWidget* group : groups_)
        static_cast<GroupPanel*>(group)->setColors(groupFill.resolve(dark), stroke);
    for (Divider* line : hairlines_)
        line->setColor(stroke);
    for (QLabel* label : inkLabels_)
        setTextColor(label, ink);
    for (QLabel* label : secondaryLabels_)
        setTextColor(label, secondary);
    for (QCheckBox* toggle : {namedValuesToggle_, groupDigitsToggle_})
        setTextColor(toggle, ink);
    for (SegmentedPicker* picker : pickers_)
        picker->setColors(SegmentColors::of(dark));
    colors_->recolor(ink, secondary);

    const QString linkStyle = QStringLiteral("QPushButton { color: %1; text-align: left; border: none;"
                                             " padding: 4px 0px; background: transparent; }");
    helpButton_->setStyleSheet(linkStyle.arg(link.name()));
    termsButton_->setStyleSheet(linkStyle.arg(link.name()));
    eraseButton_->setStyleSheet(linkStyle.arg(red.name()));
    helpButton_->setIcon(glyphIcon(Glyph::help, link));
    termsButton_->setIcon(glyphIcon(Glyph::document, link));
    eraseButton_->setIcon(glyphIcon(Glyph::trash, red));
}

void SettingsView::syncColumnWidth() {
    columnWidth_ = settings_.resultColumnWidth();
    columnWidthLabel_->setText(widthText(columnWidth_));
}

void SettingsView::resetColumnWidth() {
    ResultColumn::setWidth(standardColumnWidth, std::nullopt, settings_);
    syncColumnWidth();
}

void SettingsView::showSyncFolder() {
    const std::optional<QString>& folder = settings_.syncFolder();
    const bool set = folder && !folder->isEmpty();
    static_cast<ElidedLabel*>(syncFolderLabel_)
        ->setFullText(set ? QDir::toNativeSeparators(*folder) : uiText("なし", "None"));
    syncFolderLabel_->setToolTip(set ? QDir::toNativeSeparators(*folder) : QString());
    clearFolderButton_->setVisible(set);
}

void SettingsView::chooseSyncFolder() {
    if (!folderPicker_) return;
    const std::optional<QString>& current = settings_.syncFolder();
    const QString start = current && !current->isEmpty()
                              ? *current
                              : QStandardPaths::writableLocation(QStandardPaths::HomeLocation);
    const std::optional<QString> chosen =
        folderPicker_(window(), uiText("同期フォルダ", "Sync Folder"), start);
    if (chosen) useSyncFolder(*chosen);
}

bool SettingsView::useSyncFolder(const QString& folder) {
    if (const std::optional<QString> problem = syncFolderProblem(folder, documentPath_)) {
        refuseSyncFolder(*problem);
        return false;
    }
    settings_.setSyncFolder(QDir::cleanPath(QFileInfo(folder).absoluteFilePath()));
    return true;
}

void SettingsView::clearSyncFolder() {
    settings_.setSyncFolder(std::nullopt);
}

void SettingsView::refuseSyncFolder(const QString& message) {
    if (syncFolderRefusal_) syncFolderRefusal_->close();
    auto* box = new QMessageBox(QMessageBox::Warning, uiText("同期フォルダ", "Sync Folder"), message,
                                QMessageBox::Ok, window());
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    syncFolderRefusal_ = box;
    box->open();
}

PromptDialog* SettingsView::eraseConfirmation() const {
    return eraseConfirmation_;
}

QMessageBox* SettingsView::syncFolderRefusal() const {
    return syncFolderRefusal_;
}

WindowDialog* SettingsView::openScreen(WindowDialogKind kind) const {
    const QPointer<WindowDialog>& dialog = kind == WindowDialogKind::help ? helpDialog_ : termsDialog_;
    return dialog && dialog->isVisible() ? dialog.data() : nullptr;
}

void SettingsView::openHelp() {
    open(WindowDialogKind::help);
}

void SettingsView::openTerms() {
    open(WindowDialogKind::terms);
}

void SettingsView::open(WindowDialogKind kind) {
    if (kind == WindowDialogKind::settings || openScreen(kind) || !screens_) return;
    auto* dialog = new WindowDialog(kind, *window());
    QWidget* body = screens_(kind, WindowDialogContext{store_, session_, *dialog, false});
    if (!body) {
        delete dialog;
        return;
    }
    (kind == WindowDialogKind::help ? helpDialog_ : termsDialog_) = dialog;
    connect(dialog, &QDialog::finished, dialog, &QObject::deleteLater);
    dialog->present(body, true);
}

void SettingsView::askToErase() {
    if (eraseConfirmation_) return;
    auto* prompt = new PromptDialog(*window());
    prompt->setTitle(uiText("全ての内容を消去しますか？", "Erase All Content?"));
    // Only a sync folder carries the erase to other computers.
    const std::optional<QString>& folder = settings_.syncFolder();
    prompt->setMessage(folder && !folder->isEmpty()
                           ? uiText("すべてのシートが消え、元に戻せません。他の端末からも消えます。",
                                    "All sheets will be deleted. This can’t be undone, and they will "
                                    "disappear from your other devices too.")
                           : uiText("すべてのシートが消え、元に戻せません。",
                                    "All sheets will be deleted. This can’t be undone."));
    QPushButton* erase = prompt->addButton(uiText("消去する", "Erase"), PromptDialog::Role::destructive);
    erase->setObjectName(QStringLiteral("confirmErase"));
    QPushButton* cancel = prompt->addButton(uiText("キャンセル", "Cancel"), PromptDialog::Role::cancel);
    cancel->setObjectName(QStringLiteral("cancelErase"));
    connect(prompt, &PromptDialog::answered, this, [this](PromptDialog::Role role) {
        if (role == PromptDialog::Role::destructive) eraseAll();
    });
    eraseConfirmation_ = prompt;
    prompt->open();
}

void SettingsView::eraseAll() {
    store_.clearAllContent();
    emit erased();
}

} // namespace vell
