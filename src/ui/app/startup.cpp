#include "ui/app/startup.h"

#include "core/file_io.h"
#include "core/text.h"
#include "ui/app/app_context.h"
#include "ui/app/crash_report.h"
#include "ui/app/fatal_error.h"
#include "ui/app/file_picker.h"
#include "ui/app/global_hotkeys.h"
#include "ui/app/screenshots.h"
#include "ui/app/single_instance.h"
#include "ui/common/qt_text.h"
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
#include <QTranslator>

#include <cstdio>
#include <memory>

#include <unistd.h>

namespace qp::ui {

namespace {

bool is_start_file(std::string_view parameter) {
    return iequals(extension_of(parameter), "qprj");
}

// The windows and services that live beside the shell, for the whole run.
struct SystemServices {
    SingleInstance instance;
    std::unique_ptr<GlobalHotkeys> hotkeys;
    QStringList data_folders;
};

// Hotkeys are registered while the main window applies its shortcuts, so their hooks come first.
void Hotkeys_Install(AppContext& ctx, SystemServices& services) {
    services.hotkeys = std::make_unique<GlobalHotkeys>(ctx.log, ctx.lang);
    GlobalHotkeys& hotkeys = *services.hotkeys;
    ctx.hooks.RegisterHotKey = [&hotkeys](int window, KeyCode code, int command) {
        return hotkeys.grab(window, code, command).empty();
    };
    ctx.hooks.UnregisterHotKey = [&hotkeys](int window, int command) {
        return hotkeys.release(window, command).empty();
    };
}

void SystemHooks_Install(AppContext& ctx, MainWindow& window, SystemServices& services) {
    services.data_folders =
        DataFolders(ctx.paths.pref_folder(), QCoreApplication::applicationDirPath());
    const QStringList& folders = services.data_folders;
    SystemHooks& hooks = ctx.hooks;
    hooks.Help_Show = [&ctx, &window, &folders] {
        Help_Show(&window, folders, ctx.lang, *ctx.requester);
    };
    hooks.About_Show = [&ctx, &window, &folders] { About_Show(&window, ctx.lang, folders); };
    hooks.WhatsNew_Show = [&ctx, &window, &folders] { WhatsNew_Show(&window, folders, ctx.lang); };
    hooks.Log_Show = [&ctx, &window] { Log_Show(&window, ctx.log, toQ(ctx.AppTitle)); };
    hooks.CheckNewVersion = [&ctx, &window] {
        UpdateCheckSetup setup;
        setup.page_url = toQ(ctx.prefs.GetZQValue(kPrefVersionPage));
        (void)CheckNewVersion(&window, ctx.lang, ctx.log, *ctx.requester, setup);
    };
    QObject::connect(services.hotkeys.get(), &GlobalHotkeys::hotkeyPressed, &window,
                     &MainWindow::Main_MenuEvent);
}

// The running instance answers later starts with its title and takes their start file.
void SingleInstance_Listen(MainWindow& window, SingleInstance& instance) {
    instance.setWindowTitleSource([&window] { return window.windowTitle(); });
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

void Startup_Prepare(AppContext& ctx, std::string_view executable_folder) {
    ctx.log.set_path(ctx.paths.pref_folder() + "Quillpost.Log");
    Log_StartupHeader(ctx.log, ctx.paths, ctx.program_file);
    Pref_RegisterAll(ctx.prefs);
    CheckNewVersion_Register(ctx.prefs);
    ctx.prefs.set_folder_changer([](const std::string& folder) { (void)::chdir(folder.c_str()); });
    (void)ctx.prefs.PrefCharge();
    ctx.lang.set_folders(language_folders(ctx.paths.pref_folder(), executable_folder));
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
    else if (const std::string failed = ctx.prefs.PrefSauve(false); !failed.empty())
        ctx.log.add("! Error, Not saved " + ctx.prefs.settings_path() + ": " + failed);
    (void)ctx.log.flush();
}

int Application_Run(int argc, char** argv) {
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
    SystemServices services;
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
    app.setQuitOnLastWindowClosed(false);
    Screenshots_Schedule(window);
    app.exec();
    Shutdown(ctx);
    return 0;
}

} // namespace qp::ui
