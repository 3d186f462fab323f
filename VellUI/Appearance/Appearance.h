#pragma once

// Whether the application draws light or dark now: by the appearance preference, and for "auto" by
// the system's palette. Colours are resolved against it while painting (ColorPair::resolve).

#include <QObject>
#include <functional>

class QPalette;

namespace vell {

class AppSettings;

class Appearance : public QObject {
    Q_OBJECT

public:
    // Whether the system's appearance is dark; asked when the preference is "auto".
    using SystemIsDark = std::function<bool()>;

    // Follows the settings' appearance and, for "auto", `systemIsDark`, asked again whenever the
    // application's palette changes. Without one, the platform's palette is read (platformIsDark).
    explicit Appearance(AppSettings& settings, SystemIsDark systemIsDark = {}, QObject* parent = nullptr);
    ~Appearance() override;

    bool isDark() const { return dark_; }

    // A palette is dark when its window colour is darker than middle grey.
    static bool isDarkPalette(const QPalette& palette);
    // The platform's palette, read while the application shows it. An application that installs a
    // palette of its own hides the platform's; the last reading made before stands (light when there
    // was none) until the application goes back to the platform's (QGuiApplication::setPalette(
    // QPalette())).
    static SystemIsDark platformIsDark();

signals:
    // Once per flip between light and dark.
    void changed(bool dark);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool resolveDark();
    void update();

    AppSettings& settings_;
    SystemIsDark systemIsDark_;
    bool dark_ = false;
};

} // namespace vell
