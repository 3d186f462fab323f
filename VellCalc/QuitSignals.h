#pragma once

// SIGINT, SIGTERM and SIGHUP end Vell the way Quit does, so a pending save is written first. The
// handler only writes the signal's number into a pipe; the main thread reads it and quits. A main thread
// too busy to get there in time does not keep the process alive: a watch of its own thread then runs
// the last resort (which must need nothing of the main thread) and ends the process. Once the main thread
// has taken the signal it is ending the run (writing the document, pushing it to the shared copy): the
// watch then gives it longer, and a second signal does not cut that short.

#include <QObject>
#include <QSocketNotifier>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

namespace vell {

class QuitSignals : public QObject {
    Q_OBJECT

public:
    // Installs the handlers for the life of this object; `onSignal` runs on the main thread. One at a
    // time per process.
    explicit QuitSignals(std::function<void()> onSignal, QObject* parent = nullptr);
    // The same with a watch: when this object still lives `patience` after a signal (or a second signal
    // comes first) and the main thread has not taken the signal, `lastResort` runs on the watch's thread and
    // the process ends as the signal ends it. Once the main thread has taken it, the same happens only
    // when this object still lives `endingPatience` after that.
    QuitSignals(std::function<void()> onSignal, std::function<void()> lastResort,
                std::chrono::milliseconds patience, std::chrono::milliseconds endingPatience,
                QObject* parent = nullptr);
    ~QuitSignals() override;

    bool installed() const { return notifier_ != nullptr; }

private:
    void readSignal();

    void watch(std::function<void()> lastResort, std::chrono::milliseconds patience,
               std::chrono::milliseconds endingPatience);

    std::function<void()> onSignal_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::thread watch_;
};

} // namespace vell
