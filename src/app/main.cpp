// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppDelegate.h"
#include "app/SingleInstance.h"
#include "app/VantrelApp.h"
#include "platform/ExitHook.h"
#include "platform/QuitSignals.h"
#include "platform/RuntimeDirectory.h"
#include "store/IniPreferencesBackend.h"
#include "store/Preferences.h"

#include <QApplication>
#include <QStandardPaths>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string_view>

namespace {

constexpr const char* usage = "Usage: vantrel [OPTION]\n"
                              "Puts animated GIF stickers and pictures on the desktop.\n"
                              "\n"
                              "  -h, --help     show this help and exit\n"
                              "      --version  show the version and exit\n";

// Reads the command line before any QApplication exists, so that --help and --version
// work without a display. Returns an exit status when the program should stop.
std::optional<int> handleCommandLine(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument(argv[i]);
        if (argument == "-h" || argument == "--help") {
            std::fputs(usage, stdout);
            return 0;
        }
        if (argument == "--version") {
            std::printf("vantrel %s\n", VANTREL_VERSION);
            return 0;
        }
        std::fprintf(
            stderr,
            "vantrel: unrecognized option '%s'\nTry 'vantrel --help' for more information.\n",
            argv[i]);
        return 2;
    }
    return std::nullopt;
}

bool hasDisplay() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

// Sticker windows need X11 window levels and positions, so with an X display a Wayland session
// is served through XWayland. Another platform asked for by name (offscreen) stands.
bool runsOnX11Instead() {
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return false;
    const QString platforms = qEnvironmentVariable("QT_QPA_PLATFORM");
    const QStringList names = platforms.split(u';', Qt::SkipEmptyParts);
    return names.isEmpty() || std::any_of(names.cbegin(), names.cend(), [](const QString& name) {
               return name.trimmed().startsWith(u"wayland");
           });
}

} // namespace

int main(int argc, char** argv) {
    QuitSignals::blockInProcess();
    if (const std::optional<int> status = handleCommandLine(argc, argv))
        return *status;
    if (!hasDisplay()) {
        std::fputs("vantrel: no X display (DISPLAY is not set); Vantrel needs an X11 session\n",
                   stderr);
        return 1;
    }
    if (runsOnX11Instead())
        qputenv("QT_QPA_PLATFORM", "xcb");

    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Vantrel"));
    QApplication::setApplicationName(QStringLiteral("Vantrel"));
    QApplication::setApplicationVersion(QStringLiteral(VANTREL_VERSION));
    QApplication::setQuitOnLastWindowClosed(false);

    // A second launch hands "show" to the first and leaves before touching any preferences.
    const std::optional<QString> runtimeDirectory =
        RuntimeDirectory::locate(SingleInstance::socketName);
    if (!runtimeDirectory) {
        std::fputs("vantrel: no private runtime directory (XDG_RUNTIME_DIR, the temporary and the "
                   "cache directory are all unusable)\n",
                   stderr);
        return 1;
    }
    SingleInstance instance(*runtimeDirectory);
    switch (instance.claim()) {
    case SingleInstance::Role::handedOver:
        return 0;
    case SingleInstance::Role::failed:
        std::fputs("vantrel: another Vantrel is running but does not answer\n", stderr);
        return 1;
    case SingleInstance::Role::primary:
        break;
    }

    const VantrelApp vantrel(IniPreferencesBackend::defaultFilePath(),
                             QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
    QObject::connect(&instance, &SingleInstance::showRequested, &vantrel.delegate(),
                     &AppDelegate::reopen);
    // A broken X connection ends the process inside the event loop; the pending write goes first.
    const ExitHook flushOnExit([&vantrel] { vantrel.preferences().flush(); });
    vantrel.delegate().launch();
    QuitSignals quitSignals;
    // exit(), not quit(): quit() asks every window to close, and the main window only hides.
    QObject::connect(&quitSignals, &QuitSignals::received, &application,
                     [] { QCoreApplication::exit(0); });
    const int status = QApplication::exec();
    // Everything is stored once the preferences are written. The sticker windows are not torn
    // down one by one, each waiting on the X server: the server drops them with the connection,
    // and a thousand stickers quit at once.
    vantrel.writePending();
    std::fflush(nullptr);
    std::_Exit(status);
}
