#pragma once

// A notice across a window or an editor: a tinted strip with an icon and a message in the interface
// language, in the colours of the appearance, light or dark, a warning in amber and information in blue.
// The message is text a screen reader reads (the strip's accessible name, and a label of its own), and
// its appearing is announced. Hidden while it has no message.

#include <QFrame>
#include <QString>

class QLabel;
class QToolButton;

namespace vell {

class Appearance;

class NoticeBar : public QFrame {
    Q_OBJECT

public:
    enum class Kind {
        information,
        warning,
    };

    NoticeBar(Kind kind, Appearance& appearance, QWidget* parent = nullptr);

    Kind kind() const { return kind_; }
    // Shows the message, or hides the notice when it is empty.
    void setText(const QString& message);
    // The message while it is shown, else empty.
    QString text() const;
    // Offers a button that asks for the notice to go (dismissed()); the notice itself stays until its
    // owner takes the message away.
    void setDismissible(bool dismissible);
    QToolButton* dismissButton() const { return dismiss_; }

    // The colours it draws in now.
    QColor tint() const;
    QColor edge() const;
    QColor iconColor() const;
    QColor ink() const;
    // Where the icon is drawn.
    QRect iconRect() const;

signals:
    void dismissed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void applyAppearance();
    void retranslate();
    void announce();

    Kind kind_;
    Appearance& appearance_;
    QLabel* label_;
    QToolButton* dismiss_;
};

} // namespace vell
