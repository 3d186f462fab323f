#include "StartupProbe.h"

#include <QCoreApplication>
#include <QEvent>
#include <QSaveFile>
#include <QTimer>
#include <QWidget>
#include <ctime>
#include <utility>

namespace vell {

void StartupProbe::watch(QWidget& window) {
    const QString path = qEnvironmentVariable(environmentVariable);
    if (path.isEmpty()) return;
    window.installEventFilter(new StartupProbe(path, &window));
}

std::int64_t StartupProbe::monotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

StartupProbe::StartupProbe(QString path, QObject* parent) : QObject(parent), path_(std::move(path)) {}

bool StartupProbe::eventFilter(QObject*, QEvent* event) {
    if (event->type() == QEvent::Paint && !painted_) {
        painted_ = true;
        // Read once this paint, and with it the whole window's, has been drawn and handed to the screen.
        QTimer::singleShot(0, this, &StartupProbe::record);
    }
    return false;
}

void StartupProbe::record() {
    const QByteArray reading = QByteArray::number(static_cast<qlonglong>(monotonicNanoseconds())) + '\n';
    QSaveFile file(path_);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(reading);
        file.commit();
    }
    QCoreApplication::quit();
}

} // namespace vell
