#pragma once

// The help screen: a title, a Close button and the table of worked examples, in the interface
// language, rebuilt when the language changes. It lives in a dialog of `preferredSize`.

#include <QSize>
#include <QWidget>
#include <vector>

class QLabel;
class QPushButton;
class QScrollArea;
class QVBoxLayout;

namespace vell {

class AppSettings;
class Appearance;
class Divider;

class HelpView : public QWidget {
    Q_OBJECT

public:
    static constexpr QSize preferredSize{660, 580};

    // Both objects must outlive the view.
    HelpView(AppSettings& settings, Appearance& appearance, QWidget* parent = nullptr);

    QPushButton* closeButton() const { return closeButton_; }
    QScrollArea* scrollArea() const { return scrollArea_; }

signals:
    // Close, or Escape.
    void closeRequested();

private:
    void rebuildIfLanguageChanged();
    void rebuild();
    void recolor();

    AppSettings& settings_;
    Appearance& appearance_;
    bool english_ = false;
    QLabel* title_;
    QPushButton* closeButton_;
    Divider* divider_;
    QScrollArea* scrollArea_;
    QWidget* content_ = nullptr;
    // Labels in the primary and in the secondary ink, for a change of appearance.
    std::vector<QLabel*> inkLabels_;
    std::vector<QLabel*> secondaryLabels_;
};

} // namespace vell
