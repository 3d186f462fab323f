#pragma once

// SIGINT, SIGTERM and SIGHUP end Vell the way Quit does, so a pending save is written first. The
// handler only writes the signal's number into a pipe; the main thread reads it and quits.

#include <QObject>
#include <QSocketNotifier>
#include <functional>
#include <memory>

namespace vell {

class QuitSignals : public QObject {
    Q_OBJECT

public:
    // Installs the handlers for the life of this object; `onSignal` runs on the main thread. One at a
    // time per process.
    explicit QuitSignals(std::function<void()> onSignal, QObject* parent = nullptr);
    ~QuitSignals() override;

    bool installed() const { return notifier_ != nullptr; }

private:
    void readSignal();

    std::function<void()> onSignal_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace vell
