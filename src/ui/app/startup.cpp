#include "ui/app/startup.h"

#include "core/file_io.h"
#include "core/text.h"
#include "core/version.h"
#include "ui/app/crash_report.h"
#include "ui/app/fatal_error.h"
#include "ui/app/global_hotkeys.h"
#include "ui/app/screenshots.h"
#include "ui/app/single_instance.h"
#include "ui/common/qt_text.h"
#include "ui/context/app_context.h"
#include "ui/context/file_picker.h"
#include "ui/dialogs/about_window.h"
#include "ui/dialogs/data_files.h"
#include "ui/dialogs/help_windows.h"
#include "ui/dialogs/requester.h"
#include "ui/dialogs/text_window.h"
#include "ui/dialogs/update_check.h"
#include "ui/shell/document_commands.h"
#include "ui/shell/main_window.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QTranslator>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include <fcntl.h>
#include <unistd.h>

namespace qp::ui {

namespace {

constexpr const char* kDesktopUsage =
    "usage: quillpost [-portable] [-minimize] [PROJECT.qprj]\n"
    "  Opens the project in the running Quillpost window of this display, or starts one.\n"
    "  -portable    keep the settings beside the program\n"
    "  -minimize    accepted for older launchers; changes nothing\n"
    "  --version    print the version and end\n"
    "  --help       print this text and end\n"
    "Scripts and servers without a display use quillpost-cli.\n";

bool is_start_file(std::string_view parameter) {
    return iequals(extension_of(parameter), "qprj");
}

// The windows and services that live beside the shell, for the whole run.
struct SystemServices {
    explicit SystemServices(const AppContext& ctx)
        : instance(Runtime_Folder(toQ(ctx.paths.pref_folder() + "runtime"))) {}
    SingleInstance instance;
    std::unique_ptr<GlobalHotkeys> hotkeys;
    QStringList data_folders;
};

// Hotkeys are registered while the main window applies its shortcuts, so their hooks come first.
void Hotkeys_Install(AppContext& ctx, SystemServices& services) {
    services.hotkeys = std::make_unique<GlobalHotkeys>();
    services.hotkeys->install_hooks(ctx.hooks);
}

void SystemHooks_Install(AppContext& ctx, MainWindow& window, SystemServices& services) {
    services.data_folders =
        DataFolders(ctx.paths.pref_folder(), QCoreApplication::applicationDirPath());
    const QStringList& folders = services.data_folders;
    SystemHooks& hooks = ctx.hooks;
    // One help viewer at a time: F1 again brings it back to the front.
    hooks.Help_Show = [&ctx, &window, &folders, viewer = QPointer<HelpViewer>()]() mutable {
        if (viewer) {
            viewer->raise();
            viewer->activateWindow();
            return;
        }
        viewer = Help_Show(&window, folders, ctx.lang, *ctx.requester);
    };
    hooks.About_Show = [&ctx, &window, &folders] { About_Show(&window, ctx.lang, folders); };
    hooks.WhatsNew_Show = [&ctx, &window, &folders] { WhatsNew_Show(&window, folders, ctx.lang); };
    hooks.Log_Show = [&ctx, &window] { Log_Show(&window, ctx.log, toQ(ctx.AppTitle)); };
    hooks.CheckNewVersion = [&ctx, &window] {
        UpdateCheckSetup setup;
        setup.page_url = toQ(ctx.prefs.preference_value(kPrefVersionPage));
        (void)CheckNewVersion(&window, ctx.lang, ctx.log, *ctx.requester, setup);
    };
    QObject::connect(services.hotkeys.get(), &GlobalHotkeys::hotkeyPressed, &window,
                     &MainWindow::Main_MenuEvent);
}

int g_session_end_pipe[2] = {-1, -1};

extern "C" void session_end_signal(int /*signal*/) {
    const char byte = 1;
    const int saved = errno;
    (void)!::write(g_session_end_pipe[1], &byte, 1);
    errno = saved;
}

// Logging out stores the same list of documents as Quit: through the session manager, or by
// SIGTERM or SIGHUP where the desktop has none. The signal only wakes the event loop.
void SessionEnd_Install(QApplication& app, MainWindow& window) {
    QObject::connect(
        &app, &QGuiApplication::commitDataRequest, &window,
        [&window](QSessionManager&) { window.Session_Store(); }, Qt::DirectConnection);
    if (::pipe2(g_session_end_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_session_end_pipe[0], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
        char drained[16];
        while (::read(g_session_end_pipe[0], drained, sizeof drained) > 0) {
        }
        window.Session_End();
    });
    struct sigaction action {};
    action.sa_handler = session_end_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGHUP, &action, nullptr);
}

// The running instance answers later starts with its title and takes their start file.
void SingleInstance_Listen(MainWindow& window, SingleInstance& instance) {
    instance.setWindowTitleSource([&window] { return window.handOverTitle(); });
    // The window logs the hand-over itself.
    instance.setHandOverHandler(nullptr, [&window](int dw_data, const QString& path) {
        window.HandOver_Receive(dw_data, fromQ(path));
    });
}

} // namespace

CommandLine ParseCommandLine(std::string_view program_file, const std::vector<std::string>& args) {
    CommandLine out;
    if (ifind(file_part(program_file), "-portable") != std::string_view::npos)
        out.Portable = true;
    for (const std::string& arg : args) {
        if (iequals(arg, "-portable"))
            out.Portable = true;
        else if (iequals(arg, "-minimize"))
            continue;
        else if (is_start_file(arg))
            out.StartFile = arg;
    }
    out.AppTitle = "Quillpost";
    if (out.Portable)
        out.AppTitle += "-Portable";
    return out;
}

std::string Locale_OfMessages() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"})
        if (const char* value = std::getenv(name); value != nullptr && *value != '\0')
            return value;
    return {};
}

std::string Lang_ForLocale(std::string_view locale) {
    return istarts_with(locale, "fr") ? "français" : "english";
}

void Startup_Prepare(AppContext& ctx, std::string_view executable_folder) {
    ctx.log.set_path(ctx.paths.pref_folder() + "Quillpost.Log");
    Log_StartupHeader(ctx.log, ctx.paths, ctx.program_file);
    Pref_RegisterAll(ctx.prefs);
    CheckNewVersion_Register(ctx.prefs);
    ctx.prefs.set_folder_changer([](const std::string& folder) { (void)::chdir(folder.c_str()); });
    (void)ctx.prefs.load_preferences();
    ctx.lang.set_folders(language_folders(ctx.paths.pref_folder(), executable_folder));
    // A first start (no language chosen yet) speaks the desktop's language.
    if (trim_spaces(ctx.prefs.fixed().MainLang).empty())
        ctx.prefs.fixed().MainLang = Lang_ForLocale(Locale_OfMessages());
    ctx.prefs.fixed().MainLang = ctx.lang.Lang_Select(ctx.prefs.fixed().MainLang);
}

void Startup_OpenDocuments(AppContext& ctx, MainWindow& window) {
    if (!ctx.StartFile.empty())
        window.documents().Document_Open(ctx.StartFile);
    window.documents().StartupDocs();
    ctx.StartFolder = current_directory();
}

void Shutdown(AppContext& ctx) {
    if (ctx.requester)
        (void)Settings_Save(ctx.prefs, ctx.lang, *ctx.requester, false, nullptr, &ctx.log);
    else if (const std::string failed = ctx.prefs.save_preferences(false); !failed.empty())
        ctx.log.add("! Error, Not saved " + ctx.prefs.settings_path() + ": " + failed);
    (void)ctx.log.flush();
}

int Application_Run(int argc, char** argv) {
    // Answered before the toolkit starts, so they need no display.
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--version") {
            std::printf("quillpost %.*s\n", static_cast<int>(kProgramVersion.size()),
                        kProgramVersion.data());
            return 0;
        }
        if (arg == "--help" || arg == "-h") {
            std::fputs(kDesktopUsage, stdout);
            return 0;
        }
    }
    if (const QString report = ErrorReport_ModeFile(argc, argv); !report.isEmpty()) {
        QApplication app(argc, argv);
        return ErrorReport_Show(report);
    }
    QApplication app(argc, argv);
    std::string folder_error;
    AppContext ctx(
        Paths::from_system(fromQ(QCoreApplication::applicationDirPath()), &folder_error));
    if (!folder_error.empty())
        std::fprintf(stderr, "quillpost: %s\n", folder_error.c_str());
    DialogFilePicker files;
    ctx.files = &files;
    if (const std::string failed = ErrorReport_Install(ctx.paths.pref_folder(), ctx.log, {});
        !failed.empty())
        std::fprintf(stderr, "quillpost: %s\n", failed.c_str());

    ctx.program_file = fromQ(QCoreApplication::applicationFilePath());
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    const CommandLine line = ParseCommandLine(ctx.program_file, args);
    ctx.Portable = line.Portable;
    ctx.StartFile = line.StartFile;
    ctx.AppTitle = line.AppTitle;
    SystemServices services(ctx);
    switch (services.instance.SingleInstance_Check(toQ(ctx.AppTitle), toQ(ctx.StartFile))) {
    case SingleInstance::Outcome::HandedOver:
        return 0;
    case SingleInstance::Outcome::Failed:
        std::fprintf(stderr, "quillpost: %s\n",
                     services.instance.error().toLocal8Bit().constData());
        return 2;
    case SingleInstance::Outcome::Primary:
        break;
    }
    ctx.log.set_fatal_handler(FatalLine_Handler());

    Startup_Prepare(ctx, fromQ(QCoreApplication::applicationDirPath()));
    // The toolkit's own texts (the file dialog's buttons) in the language of the program too.
    QTranslator toolkit_texts;
    if (toolkit_texts.load(QLocale(toQ(ctx.lang.get("Lang.Locale"))), QStringLiteral("qtbase"),
                           QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&toolkit_texts);
    Hotkeys_Install(ctx, services);
    MainWindow window(ctx);
    MessageRequester requester(ctx.lang, &window);
    ctx.requester = &requester;
    SystemHooks_Install(ctx, window, services);
    window.Placement_Restore();
    window.show();
    SingleInstance_Listen(window, services.instance);
    Startup_OpenDocuments(ctx, window);

    QObject::connect(&window, &MainWindow::quitConfirmed, &app, &QCoreApplication::quit);
    SessionEnd_Install(app, window);
    app.setQuitOnLastWindowClosed(false);
    Screenshots_Schedule(window);
    app.exec();
    Shutdown(ctx);
    return 0;
}

} // namespace qp::ui
