#pragma once

// Collects the warnings of the Qt log for as long as it lives.

#include <QString>
#include <QtGlobal>
#include <vector>

namespace vell::testsupport {

class WarningLog {
public:
    WarningLog() {
        lines().clear();
        previous_ =
            qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
                if (type == QtWarningMsg) lines().push_back(message);
            });
    }
    ~WarningLog() { qInstallMessageHandler(previous_); }
    WarningLog(const WarningLog&) = delete;
    WarningLog& operator=(const WarningLog&) = delete;

    static std::vector<QString>& lines() {
        static std::vector<QString> collected;
        return collected;
    }

private:
    QtMessageHandler previous_;
};

} // namespace vell::testsupport
