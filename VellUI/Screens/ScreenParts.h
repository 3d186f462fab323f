#pragma once

// Small pieces the help and terms screens share: colours that follow the appearance, the hairline
// between header, body and footer, a one-line title that shrinks to fit, and the rows and controls of
// the terms screen.

#include "Appearance/ColorPair.h"

#include <QAbstractButton>
#include <QFrame>
#include <QLabel>
#include <QWidget>

class QButtonGroup;
class QPushButton;

namespace vell {

// Sets the colour of a widget's text, or of its filled background.
void setTextColor(QWidget* widget, const QColor& color);
void setBackgroundColor(QWidget* widget, const QColor& color);

// A one-pixel line across the screen.
class Divider : public QFrame {
    Q_OBJECT
public:
    explicit Divider(QWidget* parent = nullptr);
    void setColor(const QColor& color);
};

// One line of text that shrinks down to `minimumScale` of its font before it is cut with an ellipsis.
class FittingLabel : public QWidget {
    Q_OBJECT
public:
    explicit FittingLabel(QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const { return text_; }
    void setColor(const QColor& color);
    void setMinimumScale(qreal scale) { minimumScale_ = scale; }

    // The size the text is drawn at in the current width, in points.
    qreal fittedPointSize() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
    QColor color_;
    qreal minimumScale_ = 0.8;
};

// A rounded panel filled with a translucent colour, behind the terms' warning.
class CalloutPanel : public QWidget {
    Q_OBJECT
public:
    explicit CalloutPanel(QWidget* parent = nullptr);
    void setFill(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor fill_;
};

// A filled warning triangle with an exclamation mark.
class WarningGlyph : public QWidget {
    Q_OBJECT
public:
    explicit WarningGlyph(int size, QWidget* parent = nullptr);
    void setColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor color_;
};

// A check box drawn as a square, ticked in the accent colour, beside a wrapping text. The whole row,
// the empty space after the text included, takes clicks.
class CheckRow : public QAbstractButton {
    Q_OBJECT
public:
    explicit CheckRow(QWidget* parent = nullptr);

    void setRowText(const QString& text);
    QString rowText() const;
    void setColors(const QColor& text, const QColor& box, const QColor& tick);

    QLabel* label() const { return label_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    class Box;
    Box* box_;
    QLabel* label_;
};

// Two segments, "日本語" and "English", one of them chosen.
// The colours of a row of segments: its text and frame, and the chosen segment's fill and text.
struct SegmentColors {
    QColor text;
    QColor chosenFill;
    QColor chosenText;
    QColor frame;

    // The theme's, for either appearance.
    static SegmentColors of(bool dark);
};

class LanguagePicker : public QWidget {
    Q_OBJECT
public:
    explicit LanguagePicker(QWidget* parent = nullptr);

    void setEnglish(bool english);
    bool isEnglish() const;
    QPushButton* japaneseSegment() const { return japanese_; }
    QPushButton* englishSegment() const { return english_; }
    void setColors(const SegmentColors& colors);
    const SegmentColors& colors() const { return colors_; }

signals:
    // Only for a choice the user made.
    void picked(bool english);

private:
    QPushButton* japanese_;
    QPushButton* english_;
    QButtonGroup* group_;
    SegmentColors colors_;
};

} // namespace vell
