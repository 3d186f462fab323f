#pragma once

// A developer hook for measuring start-up: when VELL_STARTUP_PROBE names a file, the first paint of
// the first window writes the monotonic clock's reading there (nanoseconds, decimal) and Vell quits.

#include <QObject>
#include <QString>
#include <cstdint>

class QWidget;

namespace vell {

class StartupProbe : public QObject {
    Q_OBJECT

public:
    static constexpr const char* environmentVariable = "VELL_STARTUP_PROBE";

    // Watches `window` when the variable is set; does nothing otherwise.
    static void watch(QWidget& window);

    // CLOCK_MONOTONIC, the clock a measuring process reads before it starts Vell.
    static std::int64_t monotonicNanoseconds();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    StartupProbe(QString path, QObject* parent);
    void record();

    QString path_;
    bool painted_ = false;
};

} // namespace vell
