#pragma once

// The application's palette in the theme's light or dark colours, following the appearance, so that the
// stock parts that are windows of their own (menus, context menus, message boxes, the colour dialog)
// match the main windows. While the appearance follows the system, a change of the system's theme is
// read from the platform's own palette for a moment, then the theme's is put back.

#include <QObject>

namespace vell {

class AppSettings;
class Appearance;

class ApplicationLook : public QObject {
    Q_OBJECT

public:
    ApplicationLook(AppSettings& settings, Appearance& appearance, QObject* parent = nullptr);
    // The platform's palette again.
    ~ApplicationLook() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void apply();
    void readSystemTheme();

    AppSettings& settings_;
    Appearance& appearance_;
    bool readingScheduled_ = false;
};

} // namespace vell
