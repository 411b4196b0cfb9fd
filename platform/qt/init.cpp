// Start-up of the platform layer: the Qt application, the numeric locale, folders, fonts, sounds and screen metrics.
#include "platform/qt/window_internal.h"

#include <QApplication>
#include <QDir>
#include <QFont>
#include <QFontDatabase>
#include <QScreen>

#include <clocale>

HINSTANCE PlatformInit(int argc, char **argv)
{
    static int appArgc = 1;
    static char appName[] = "fieldlogger";
    static char *defaultArgv[] = {appName, nullptr};
    static std::vector<char *> appArgv;
    if (!QCoreApplication::instance()) {
        if (argc > 0 && argv) {
            appArgc = argc;
            appArgv.assign(argv, argv + argc);
            appArgv.push_back(nullptr);
        } else {
            appArgc = 1;
            appArgv.assign(defaultArgv, defaultArgv + 2);
        }
        new QApplication(appArgc, appArgv.data());
        QApplication::setQuitOnLastWindowClosed(false);
        // Numbers are written and read with a decimal point whatever the user's locale says.
        setlocale(LC_NUMERIC, "C");
        EnsureRootFolders();
        if (!QFontDatabase::families().contains(QStringLiteral("Liberation Sans"))) {
            QDir dir(QStringLiteral("/usr/share/fonts/truetype/liberation"));
            for (const QString &f : dir.entryList({QStringLiteral("LiberationSans-*.ttf")}, QDir::Files))
                QFontDatabase::addApplicationFont(dir.filePath(f));
        }
        if (!QFontDatabase::families().contains(QStringLiteral("Liberation Sans Narrow"))) {
            QDir dir(QStringLiteral("/usr/share/fonts/truetype/liberation"));
            for (const QString &f : dir.entryList({QStringLiteral("LiberationSansNarrow-*.ttf")}, QDir::Files))
                QFontDatabase::addApplicationFont(dir.filePath(f));
        }
        QFont::insertSubstitution(QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Liberation Sans"));
        QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
        // Focus moved by the operator (clicks, Tab in dialogs) is the focus the program reads back.
        QObject::connect(qApp, &QApplication::focusChanged, qApp, [](QWidget *, QWidget *now) {
            if (HWND w = now ? WindowFromWidget(now) : nullptr) NoteFocus(w);
        });
    }
    setlocale(LC_NUMERIC, "C");
    return (HINSTANCE)QCoreApplication::instance();
}

int GetSystemMetrics(int index)
{
    QSize size(1920, 1080);
    if (QGuiApplication::platformName() != QStringLiteral("offscreen")) {
        if (QScreen *s = QGuiApplication::primaryScreen()) size = s->geometry().size();
    }
    switch (index) {
    case SM_CXSCREEN: return ScreenWidthOverride() > 0 ? ScreenWidthOverride() : size.width();
    case SM_CYSCREEN: return ScreenHeightOverride() > 0 ? ScreenHeightOverride() : size.height();
    default: return 0;
    }
}
