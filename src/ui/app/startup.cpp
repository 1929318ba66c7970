#include "ui/app/startup.h"

#include "core/file_io.h"
#include "core/text.h"
#include "ui/app/app_context.h"
#include "ui/app/file_picker.h"
#include "ui/app/screenshots.h"
#include "ui/common/qt_text.h"
#include "ui/dialogs/requester.h"
#include "ui/shell/document_commands.h"
#include "ui/shell/main_window.h"

#include <QApplication>

#include <unistd.h>

namespace qp::ui {

namespace {

bool is_start_file(std::string_view parameter) {
    return iequals(extension_of(parameter), "qprj");
}

// The error report is installed here, before anything else can fail.
void ErrorReport_Install(AppContext&) {}

// A second instance hands its start file to the running one and ends; true then.
bool SingleInstance_HandOver(AppContext&) {
    return false;
}

// The running instance listens for the hand-over of later starts.
void SingleInstance_Listen(AppContext&, MainWindow&) {}

// System-wide windows and services fill the hooks of the context here.
void SystemHooks_Install(AppContext&, MainWindow&) {}

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
    ctx.prefs.set_folder_changer([](const std::string& folder) { (void)::chdir(folder.c_str()); });
    (void)ctx.prefs.PrefCharge();
    ctx.lang.set_folders(language_folders(ctx.paths.main_folder(), executable_folder));
    ctx.prefs.fixed().MainLang = ctx.lang.Lang_Select(ctx.prefs.fixed().MainLang);
}

void Startup_OpenDocuments(AppContext& ctx, MainWindow& window) {
    if (!ctx.StartFile.empty())
        window.documents().Document_Open(ctx.StartFile);
    window.documents().StartupDocs();
    ctx.StartFolder = current_directory();
}

void Shutdown(AppContext& ctx) {
    if (const std::string failed = ctx.prefs.PrefSauve(false); !failed.empty())
        ctx.log.add("! Error, Not saved " + ctx.prefs.settings_path() + ": " + failed);
    (void)ctx.log.flush();
}

int Application_Run(int argc, char** argv) {
    QApplication app(argc, argv);
    AppContext ctx(Paths::from_system());
    DialogFilePicker files;
    ctx.files = &files;
    ErrorReport_Install(ctx);

    ctx.program_file = fromQ(QCoreApplication::applicationFilePath());
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    const CommandLine line = ParseCommandLine(ctx.program_file, args);
    ctx.Portable = line.Portable;
    ctx.StartFile = line.StartFile;
    ctx.AppTitle = line.AppTitle;
    if (SingleInstance_HandOver(ctx))
        return 0;

    Startup_Prepare(ctx, fromQ(QCoreApplication::applicationDirPath()));
    MainWindow window(ctx);
    MessageRequester requester(ctx.lang, &window);
    ctx.requester = &requester;
    SystemHooks_Install(ctx, window);
    window.Placement_Restore();
    window.show();
    SingleInstance_Listen(ctx, window);
    Startup_OpenDocuments(ctx, window);

    QObject::connect(&window, &MainWindow::quitConfirmed, &app, &QCoreApplication::quit);
    app.setQuitOnLastWindowClosed(false);
    Screenshots_Schedule(window);
    app.exec();
    Shutdown(ctx);
    return 0;
}

} // namespace qp::ui
