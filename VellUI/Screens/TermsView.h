#pragma once

// The terms-of-use screen. As the gate it offers a language switch, a consent box and the agree
// button that records the accepted version; the only way on is agreeing, and declining (the Quit
// keys, Escape or the dialog's close button) quits the program. For reading it has a Close button and
// shows the version the user accepted. Every text follows the interface language at once.

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
class CalloutPanel;
class CheckRow;
class Divider;
class FittingLabel;
class LanguagePicker;
class WarningGlyph;

class TermsView : public QWidget {
    Q_OBJECT

public:
    enum class Mode {
        gate,
        reading,
    };

    static constexpr QSize preferredSize{620, 640};

    // Both objects must outlive the view.
    TermsView(Mode mode, AppSettings& settings, Appearance& appearance, QWidget* parent = nullptr);

    Mode mode() const { return mode_; }

    FittingLabel* title() const { return title_; }
    QLabel* headline() const { return headline_; }
    // Gate only; none in reading mode.
    LanguagePicker* languagePicker() const { return picker_; }
    CheckRow* consent() const { return consent_; }
    QPushButton* agreeButton() const { return agreeButton_; }
    QLabel* declineNote() const { return declineNote_; }
    // Reading only; none as the gate.
    QPushButton* closeButton() const { return closeButton_; }
    QLabel* acceptedVersion() const { return acceptedVersion_; }

    // Heading and body of each section, as shown.
    struct SectionLabels {
        QLabel* heading;
        QLabel* body;
    };
    const std::vector<SectionLabels>& sections() const { return sections_; }

signals:
    // The gate's agree button, after the accepted version was stored.
    void agreed();
    // Reading: Close, or Escape.
    void closeRequested();
    // The gate: the Quit keys. Nothing is stored.
    void quitRequested();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildHeader(QVBoxLayout* root);
    void buildBody(QVBoxLayout* root);
    void buildFooter(QVBoxLayout* root);
    void retranslate();
    void recolor();
    void agree();

    Mode mode_;
    AppSettings& settings_;
    Appearance& appearance_;

    FittingLabel* title_ = nullptr;
    LanguagePicker* picker_ = nullptr;
    QPushButton* closeButton_ = nullptr;
    std::vector<Divider*> dividers_;
    QScrollArea* scrollArea_ = nullptr;
    QWidget* content_ = nullptr;
    CalloutPanel* callout_ = nullptr;
    WarningGlyph* warning_ = nullptr;
    QLabel* headline_ = nullptr;
    std::vector<SectionLabels> sections_;
    CheckRow* consent_ = nullptr;
    QPushButton* agreeButton_ = nullptr;
    QLabel* declineNote_ = nullptr;
    QLabel* acceptedVersion_ = nullptr;
};

} // namespace vell
