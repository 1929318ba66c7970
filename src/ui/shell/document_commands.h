// The life cycle of documents as the main window runs it: new, open, save, close, switching and
// the documents of the last run.
#pragma once

#include "core/document.h"
#include "core/project_file.h"

#include <QString>

#include <functional>
#include <string>
#include <string_view>

namespace qp::ui {

struct AppContext;
struct ImportOutcome;
class MainWindow;

enum class SaveOutcome { Saved, NotSaved };
// Whether a document may go: its changes saved or given up, or kept open.
enum class CloseChoice { Close, Keep };

class DocumentCommands {
public:
    DocumentCommands(AppContext& context, MainWindow& window);

    void Document_New();
    // An empty path asks for a file.
    void Document_Open(const std::string& path);
    void Document_Save(bool ask_name);
    // Project › Import a feed: the feed becomes a new document, modified and not yet saved,
    // named after its title.
    void import_feed();
    // The document an import made, added and shown as the current one; a failed download of
    // its episodes is told after.
    void add_imported(ImportOutcome outcome);
    // ask_name always asks for a file name.
    [[nodiscard]] SaveOutcome SaveDoc(Doc& doc, bool ask_name);
    // The same questions around another way of saving (the RSS command saves and writes the
    // RSS file in one step): save gets the chosen file, as qp::SaveDoc does.
    using SaveStep = std::function<SaveResult(Doc& doc, const std::string& file)>;
    // The step runs off the window thread, shown as the language text of work_key.
    [[nodiscard]] SaveOutcome SaveDoc(Doc& doc, bool ask_name, const SaveStep& save,
                                      std::string_view work_key = "Work.Saving");
    void Document_Close();
    // Close when every document is closed, Keep when the user kept one.
    [[nodiscard]] CloseChoice Document_CloseAll();
    // The modified-document question, and the save it may lead to.
    [[nodiscard]] CloseChoice CanClose(Doc& doc);
    void SelectDoc(int step, int index);
    // The chosen path, empty when cancelled.
    std::string FileDialog(std::string default_path, bool for_open);
    void OpenRecent(int index);
    void StartupDocs();
    void LastDoc_Reopen();
    void LastDoc_Store();

private:
    void error(std::string_view key, std::string_view detail = {});
    void enter_folder_of(const std::string& path);

    AppContext& ctx_;
    MainWindow& window_;
};

} // namespace qp::ui
