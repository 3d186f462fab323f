#include "DesktopIdentity.h"

#include "Window/VellWindow.h"

#include <QApplication>
#include <QString>

namespace vell {

namespace {

QString fromView(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

QIcon DesktopIdentity::icon() {
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256, 512})
        icon.addFile(QStringLiteral(":/icons/app.vell.Vell-%1.png").arg(size), QSize(size, size));
    return icon;
}

void DesktopIdentity::setApplicationName() {
    QCoreApplication::setApplicationName(fromView(applicationName));
}

void DesktopIdentity::apply() {
    QGuiApplication::setDesktopFileName(fromView(VellWindow::applicationID));
    QApplication::setWindowIcon(icon());
}

} // namespace vell
