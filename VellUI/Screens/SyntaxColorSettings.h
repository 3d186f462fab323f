#pragma once

// The text-colour rows of the settings screen: for each syntax class a colour for the light and one
// for the dark appearance, a reset for the class and one for all. Colours are stored only when the
// user confirms a choice, so an editor restyles once per choice, not at every move of the picker.

#include "LineRules/SyntaxKind.h"

#include <QAbstractButton>
#include <QColor>
#include <QString>
#include <QWidget>
#include <array>
#include <functional>
#include <optional>

class QLabel;
class QPushButton;
class QToolButton;

namespace vell {

class AppSettings;

// A button showing one colour; a click asks for another.
class ColorSwatch : public QAbstractButton {
    Q_OBJECT
public:
    explicit ColorSwatch(QWidget* parent = nullptr);
    QColor color() const { return color_; }
    void setColor(const QColor& color);
    void setStroke(const QColor& color);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor color_;
    QColor stroke_;
};

class SyntaxColorSettings : public QWidget {
    Q_OBJECT

public:
    // Asks for a colour starting from `initial`; none when the user cancels.
    using ColorPicker =
        std::function<std::optional<QColor>(QWidget* parent, const QColor& initial, const QString& title)>;
    // The platform-independent colour dialog, without opacity.
    static ColorPicker defaultColorPicker();

    // The section's header and footer, in the interface language.
    static QString title();
    static QString footer();

    // The colour a swatch shows: the stored text when it reads as a colour, else the built-in one.
    static QColor shownColor(const AppSettings& settings, SyntaxKind kind, bool dark);
    // Whether either side has a stored text, valid or not.
    static bool isCustom(const AppSettings& settings, SyntaxKind kind);

    // `settings` must outlive the view.
    explicit SyntaxColorSettings(AppSettings& settings, QWidget* parent = nullptr);

    void setColorPicker(ColorPicker picker) { picker_ = std::move(picker); }

    struct Row {
        QLabel* label;
        QLabel* sample;
        ColorSwatch* light;
        ColorSwatch* dark;
        QToolButton* reset;
    };
    const Row& row(SyntaxKind kind) const { return rows_[static_cast<std::size_t>(kind)]; }
    QLabel* lightTitle() const { return lightTitle_; }
    QLabel* darkTitle() const { return darkTitle_; }
    QPushButton* resetAllButton() const { return resetAll_; }

    // Texts, swatches and reset buttons as the stored colours and the language are now.
    void refresh();
    void recolor(const QColor& ink, const QColor& secondaryInk);

    // Asks for a colour of that side and stores it when the user confirms one.
    void pick(SyntaxKind kind, bool dark);
    void resetKind(SyntaxKind kind);
    void resetAll();

private:
    AppSettings& settings_;
    ColorPicker picker_;
    std::array<Row, SyntaxKinds::allCases.size()> rows_{};
    QLabel* lightTitle_;
    QLabel* darkTitle_;
    QPushButton* resetAll_;
};

} // namespace vell
