// The main of every Qt suite: GoogleTest inside a QApplication on the offscreen platform, so that
// stores, fonts, palettes and widgets all run headless in one harness. The user folders are temporary:
// settings and documents that the code under test keeps in the user's standard places are read from
// and written there, never the user's.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <cstdlib>
#include <gmock/gmock.h>
#include <string_view>

namespace {

QtMessageHandler defaultHandler = nullptr;

// The offscreen platform says so for every window that sets size limits or is raised.
void dropOffscreenNoise(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.startsWith(QLatin1String("This plugin does not support"))) return;
    defaultHandler(type, context, text);
}

} // namespace

int main(int argc, char** argv) {
    defaultHandler = qInstallMessageHandler(dropOffscreenNoise);
    testing::InitGoogleMock(&argc, argv);
    QTemporaryDir home;
    if (!home.isValid()) return 1;
    for (const char* folder : {"config", "data", "cache", "runtime"}) {
        QDir(home.path()).mkpath(QString::fromLatin1(folder));
        QFile::setPermissions(home.filePath(QString::fromLatin1(folder)),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    setenv("HOME", qPrintable(home.path()), 1);
    setenv("XDG_CONFIG_HOME", qPrintable(home.filePath("config")), 1);
    setenv("XDG_DATA_HOME", qPrintable(home.filePath("data")), 1);
    setenv("XDG_CACHE_HOME", qPrintable(home.filePath("cache")), 1);
    setenv("XDG_RUNTIME_DIR", qPrintable(home.filePath("runtime")), 1);
    // Offscreen unless the one who runs the suite asks for another platform, to watch it.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // The offscreen screen is 800 × 800 unless told otherwise, smaller than a main window; windows
    // are kept on a screen of a common desktop's size instead, or of the size VELL_TEST_SCREEN gives
    // with the scale the desktop runs it at ("1366x768@1.25"). One variable, since ctest hands a test
    // the first of several only.
    if (std::string_view(std::getenv("QT_QPA_PLATFORM")) == "offscreen") {
        const QStringList screen =
            qEnvironmentVariable("VELL_TEST_SCREEN", QStringLiteral("1280x900")).split(u'@');
        const QStringList size = screen.front().split(u'x');
        if (size.size() != 2 || size[0].toInt() <= 0 || size[1].toInt() <= 0) return 1;
        if (screen.size() == 2) setenv("QT_SCALE_FACTOR", qPrintable(screen[1]), 1);
        const QString config = home.filePath("screens.json");
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly)) return 1;
        file.write(
            QStringLiteral(R"({"screens": [{"name": "desktop", "x": 0, "y": 0, "width": %1, "height": %2}]})")
                .arg(size[0].toInt())
                .arg(size[1].toInt())
                .toUtf8());
        file.close();
        setenv("QT_QPA_PLATFORM", qPrintable(QStringLiteral("offscreen:configfile=") + config), 1);
    }
    QApplication application(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    return RUN_ALL_TESTS();
}
