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
        : instance(runtime_folder(to_q(ctx.paths.pref_folder() + "runtime"))) {}
    SingleInstance instance;
    std::unique_ptr<GlobalHotkeys> hotkeys;
    QStringList data_folders;
};

// Hotkeys are registered while the main window applies its shortcuts, so their hooks come first.
void hotkeys_install(AppContext& ctx, SystemServices& services) {
    services.hotkeys = std::make_unique<GlobalHotkeys>();
    services.hotkeys->install_hooks(ctx.hooks);
}

void system_hooks_install(AppContext& ctx, MainWindow& window, SystemServices& services) {
    services.data_folders =
        data_folders(ctx.paths.pref_folder(), QCoreApplication::applicationDirPath());
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
    hooks.Log_Show = [&ctx, &window] { Log_Show(&window, ctx.log, to_q(ctx.AppTitle)); };
    hooks.CheckNewVersion = [&ctx, &window] {
        UpdateCheckSetup setup;
        setup.page_url = to_q(ctx.prefs.preference_value(kPrefVersionPage));
        (void)CheckNewVersion(&window, ctx.lang, ctx.log, *ctx.requester, setup);
    };
    QObject::connect(services.hotkeys.get(), &GlobalHotkeys::hotkey_pressed, &window,
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
void session_end_install(QApplication& app, MainWindow& window) {
    QObject::connect(
        &app, &QGuiApplication::commitDataRequest, &window,
        [&window](QSessionManager&) { window.session_store(); }, Qt::DirectConnection);
    if (::pipe2(g_session_end_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_session_end_pipe[0], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
        char drained[16];
        while (::read(g_session_end_pipe[0], drained, sizeof drained) > 0) {
        }
        window.session_end();
    });
    struct sigaction action {};
    action.sa_handler = session_end_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGHUP, &action, nullptr);
}

// The running instance answers later starts with its title and takes their start file.
void single_instance_listen(MainWindow& window, SingleInstance& instance) {
    instance.set_window_title_source([&window] { return window.hand_over_title(); });
    // The window logs the hand-over itself.
    instance.set_hand_over_handler(nullptr, [&window](int dw_data, const QString& path) {
        window.hand_over_receive(dw_data, from_q(path));
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

std::string locale_of_messages() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"})
        if (const char* value = std::getenv(name); value != nullptr && *value != '\0')
            return value;
    return {};
}

std::string lang_for_locale(std::string_view locale) {
    return istarts_with(locale, "fr") ? "français" : "english";
}

void startup_prepare(AppContext& ctx, std::string_view executable_folder) {
    ctx.log.set_path(ctx.paths.pref_folder() + "Quillpost.Log");
    log_startup_header(ctx.log, ctx.paths, ctx.program_file);
    pref_register_all(ctx.prefs);
    check_new_version_register(ctx.prefs);
    ctx.prefs.set_folder_changer([](const std::string& folder) { (void)::chdir(folder.c_str()); });
    (void)ctx.prefs.load_preferences();
    ctx.lang.set_folders(language_folders(ctx.paths.pref_folder(), executable_folder));
    // A first start (no language chosen yet) speaks the desktop's language.
    if (trim_spaces(ctx.prefs.fixed().MainLang).empty())
        ctx.prefs.fixed().MainLang = lang_for_locale(locale_of_messages());
    ctx.prefs.fixed().MainLang = ctx.lang.Lang_Select(ctx.prefs.fixed().MainLang);
}

void startup_open_documents(AppContext& ctx, MainWindow& window) {
    if (!ctx.StartFile.empty())
        window.documents().Document_Open(ctx.StartFile);
    window.documents().StartupDocs();
    ctx.StartFolder = current_directory();
}

void shutdown(AppContext& ctx) {
    if (ctx.requester)
        (void)settings_save(ctx.prefs, ctx.lang, *ctx.requester, false, nullptr, &ctx.log);
    else if (const std::string failed = ctx.prefs.save_preferences(false); !failed.empty())
        ctx.log.add("! Error, Not saved " + ctx.prefs.settings_path() + ": " + failed);
    (void)ctx.log.flush();
}

int application_run(int argc, char** argv) {
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
    if (const QString report = error_report_mode_file(argc, argv); !report.isEmpty()) {
        QApplication app(argc, argv);
        return error_report_show(report);
    }
    QApplication app(argc, argv);
    std::string folder_error;
    AppContext ctx(
        Paths::from_system(from_q(QCoreApplication::applicationDirPath()), &folder_error));
    if (!folder_error.empty())
        std::fprintf(stderr, "quillpost: %s\n", folder_error.c_str());
    DialogFilePicker files;
    ctx.files = &files;
    if (const std::string failed = error_report_install(ctx.paths.pref_folder(), ctx.log, {});
        !failed.empty())
        std::fprintf(stderr, "quillpost: %s\n", failed.c_str());

    ctx.program_file = from_q(QCoreApplication::applicationFilePath());
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    const CommandLine line = ParseCommandLine(ctx.program_file, args);
    ctx.Portable = line.Portable;
    ctx.StartFile = line.StartFile;
    ctx.AppTitle = line.AppTitle;
    SystemServices services(ctx);
    switch (services.instance.SingleInstance_Check(to_q(ctx.AppTitle), to_q(ctx.StartFile))) {
    case SingleInstance::Outcome::HandedOver:
        return 0;
    case SingleInstance::Outcome::Failed:
        std::fprintf(stderr, "quillpost: %s\n",
                     services.instance.error().toLocal8Bit().constData());
        return 2;
    case SingleInstance::Outcome::Primary:
        break;
    }
    ctx.log.set_fatal_handler(fatal_line_handler());

    startup_prepare(ctx, from_q(QCoreApplication::applicationDirPath()));
    // The toolkit's own texts (the file dialog's buttons) in the language of the program too.
    QTranslator toolkit_texts;
    if (toolkit_texts.load(QLocale(to_q(ctx.lang.get("Lang.Locale"))), QStringLiteral("qtbase"),
                           QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&toolkit_texts);
    hotkeys_install(ctx, services);
    MainWindow window(ctx);
    MessageRequester requester(ctx.lang, &window);
    ctx.requester = &requester;
    system_hooks_install(ctx, window, services);
    window.placement_restore();
    window.show();
    single_instance_listen(window, services.instance);
    startup_open_documents(ctx, window);

    QObject::connect(&window, &MainWindow::quit_confirmed, &app, &QCoreApplication::quit);
    session_end_install(app, window);
    app.setQuitOnLastWindowClosed(false);
    screenshots_schedule(window);
    app.exec();
    shutdown(ctx);
    return 0;
}

} // namespace qp::ui
