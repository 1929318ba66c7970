#include "core/language_keys.h"

#include "core/podcast_categories.h"
#include "core/text.h"

namespace qp {

namespace {

std::vector<LanguageKey> build_table() {
    return {
        // The translator's name, shown after the header of the file.
        {"ZQT-Author", {}},

        // The locale of the toolkit's own texts (file dialog buttons) that go with the language.
        {"Lang.Locale", {}},

        // Requester titles, buttons and the program's own messages.
        {"Msg.Error", {}},
        {"Msg.Info", {}},
        {"Msg.Warning", {}},
        {"RequestButton.Yes", {}},
        {"RequestButton.No", {}},
        {"RequestButton.Cancel", {}},
        {"RequestButton.Ok", {}},
        {"Msg.ChangeLang", {}},
        {"Msg.ExistShortcut", {}},
        {"Msg.NoKeySelected", {}},
        {"Msg.NotGlobalShortcut", {}},
        {"Msg.LinkToClipboard", {"%s1%"}},
        {"Msg.NoFileName", {}},
        {"Msg.NoNetwork", {}},
        {"Msg.NotThereYet", {}},
        {"Msg\\DisplayWindow.NoCreated", {}},
        // The fixed buttons and the date mask of the property windows.
        {"Dialog.Ok", {}},
        {"Dialog.Cancel", {}},
        {"Dialog.DateMask", {}},
        {"Fatal.Title", {}},
        {"Fatal.MustStop", {}},

        // Documents.
        {"Title.New", {}},
        {"Doc\\Error.MaxOpened", {}},
        {"Doc\\Error.CreateGadget", {}},
        {"Doc\\Error.New", {}},
        {"Doc\\Error.OpenXML", {}},
        {"Doc\\Error.AddInList", {}},
        {"Doc\\Error.Save", {"%s1%", "%s2%"}},
        {"Doc\\Error.SaveExists", {"%s1%"}},
        {"Doc\\Open.ChooseBak", {}},
        {"Doc\\Close.Title", {}},
        {"Doc\\Close.AskSave", {}},
        {"FileDialog.Open", {}},
        {"FileDialog.Save", {}},
        {"FileDialog.Filter", {}},
        {"CreateRss.Ok", {}},

        // Workspace: feed list columns and the default status lines.
        {"ListView.Title", {}},
        {"ListView.Pubdate", {}},
        {"ListView.AssociatedFile", {}},
        {"ListView.Tip", {}},
        {"Editor.Tip", {}},
        {"Status.DefaultTree", {"%EP", "%EC"}},
        {"Status.DefaultEdit", {"%LP", "%LC", "%CP", "%CC"}},
        {"Status.DefaultNoFocus", {"%DP", "%DC"}},

        // Main menu, with its sub-menus.
        {"Menu.Project", {}},
        {"Menu\\Project.New", {}},
        {"Menu\\Project.Open", {}},
        {"Menu\\Project.Save", {}},
        {"Menu\\Project.SaveAs", {}},
        {"Menu\\Project.Close", {}},
        {"Menu\\Project.CloseAll", {}},
        {"Menu\\Project.EditPref", {}},
        {"Menu\\Project.LastOpened", {}},
        {"Menu\\Project.Quit", {}},
        {"Menu.Edit", {}},
        {"Menu\\Edit.FindText", {}},
        {"Menu\\Edit.FindNext", {}},
        {"Menu\\Edit.FindPrevious", {}},
        {"Menu.Feed", {}},
        {"Menu\\Feed.Add", {}},
        {"Menu\\Feed.Copy", {}},
        {"Menu\\Feed.MoveUp", {}},
        {"Menu\\Feed.MoveDown", {}},
        {"Menu\\Feed.Del", {}},
        {"Menu\\FeedSort", {}},
        {"Menu\\Feed.SortAscending", {}},
        {"Menu\\Feed.SortDescending", {}},
        {"Menu\\Feed.Property", {}},
        {"Menu\\Feed.RefreshMedia", {}},
        {"Menu.RSS", {}},
        {"Menu\\RSS.Create", {}},
        {"Menu\\RSS.LinkToClipBoard", {}},
        {"Menu\\Rss.Property", {}},
        {"Menu.Display", {}},
        {"Menu\\Display.NextProject", {}},
        {"Menu\\Display.PrevProject", {}},
        {"Menu.About", {}},
        {"Menu\\About.Help", {}},
        {"Menu\\About.CheckNewVersion", {}},
        {"Menu\\About.WhatNews", {}},
        {"Menu\\About.About", {}},

        // Editor pop-up menu.
        {"Menu.Undo", {}},
        {"Menu.Redo", {}},
        {"Menu.Cut", {}},
        {"Menu.Copy", {}},
        {"Menu.Paste", {}},

        // Captions of the configurable shortcuts; the names are also their preference keys.
        {"Main\\Shortcut.Help", {}},
        {"Main\\Shortcut.EditPref", {}},
        {"Main\\Shortcut.NewProject", {}},
        {"Main\\Shortcut.LoadProject", {}},
        {"Main\\Shortcut.SaveProject", {}},
        {"Main\\Shortcut.CloseProject", {}},
        {"Main\\Shortcut.CloseAllProject", {}},
        {"Main\\Shortcut.FindText", {}},
        {"Main\\Shortcut.FindNext", {}},
        {"Main\\Shortcut.FindPrevious", {}},
        {"Main\\Shortcut.FeedAdd", {}},
        {"Main\\Shortcut.FeedMoveUp", {}},
        {"Main\\Shortcut.FeedMoveDown", {}},
        {"Main\\Shortcut.FeedProperty", {}},
        {"Main\\Shortcut.RssProperty", {}},
        {"Main\\Shortcut.AffLog", {}},
        {"Main\\Shortcut.EditLang", {}},
        {"Main\\Shortcut.DocumentNext", {}},
        {"Main\\Shortcut.DocumentPrevious", {}},
        {"Main\\Shortcut.Undo", {}},
        {"Main\\Shortcut.Redo", {}},

        // Key names; "Key.Pad" is followed by the digit of the numeric-pad key.
        {"Key.Alt", {}},
        {"Key.Ctrl", {}},
        {"Key.Shift", {}},
        {"Key.Win", {}},
        {"Key.NoKey", {}},
        {"Key.Back", {}},
        {"Key.Tab", {}},
        {"Key.Clear", {}},
        {"Key.Return", {}},
        {"Key.Pause", {}},
        {"Key.Capital", {}},
        {"Key.Escape", {}},
        {"Key.Space", {}},
        {"Key.Prior", {}},
        {"Key.Next", {}},
        {"Key.End", {}},
        {"Key.Home", {}},
        {"Key.Left", {}},
        {"Key.Up", {}},
        {"Key.Right", {}},
        {"Key.Down", {}},
        {"Key.Print", {}},
        {"Key.Snapshot", {}},
        {"Key.Insert", {}},
        {"Key.Delete", {}},
        {"Key.Apps", {}},
        {"Key.Pad", {}},
        {"Key.Multiply", {}},
        {"Key.Add", {}},
        {"Key.Separator", {}},
        {"Key.Subtract", {}},
        {"Key.Decimal", {}},
        {"Key.Divide", {}},
        {"Key.Numlock", {}},
        {"Key.Pow2", {}},

        // Feed window.
        {"Feed\\Title.New", {}},
        {"Feed\\Title.Edit", {}},
        {"Feed.General", {}},
        {"Feed\\General.Title", {}},
        {"Feed\\General.AutoPubDate", {}},
        {"Feed\\General.GUID", {}},
        {"Feed\\General.NewGUID", {}},
        {"Feed\\General.NoAutoDelete", {}},
        {"Feed\\General.SpecialChar", {}},
        {"Feed.Source", {}},
        {"Feed\\Source.Link", {}},
        {"Feed\\Source.Author", {}},
        {"Feed\\Source.Category", {}},
        {"Feed\\Source.Comments", {}},
        {"Feed.File", {}},
        {"Feed\\File.Name", {}},
        {"Feed\\File.Browse", {}},
        {"Feed\\File.BrowseTitle", {}},
        {"Feed\\File.BrowseFilter", {}},
        {"Feed\\File.UploadFile", {}},
        {"Feed\\File.FileOnFTP", {}},
        {"Feed\\File.Type", {}},
        {"Feed\\File.Length", {}},
        {"Feed\\Pannel.iTunes", {}},
        {"Feed\\iTunes.Subtitle", {}},
        {"Feed\\iTunes.Summary", {}},
        {"Feed\\iTunes.Duration", {}},
        {"Feed\\iTunes.KeyWord", {}},
        {"Feed\\Error.ExistGUID", {}},

        // Document properties window.
        {"Doc.Title", {}},
        {"Doc\\Pannel.General", {}},
        {"Doc\\General.Format", {}},
        {"Doc\\General.BaseLink", {}},
        {"Doc\\General.RSSFileName", {}},
        {"Doc\\General.AutoLastBuildDate", {}},
        {"Doc\\General.FormatDate", {}},
        {"Doc\\General.TimeZone", {}},
        {"Doc\\General.MaxFeed", {}},
        {"Doc\\Desc.TTL", {}},
        {"Doc\\General.SpecialChar", {}},
        {"Doc\\Pannel.Desc", {}},
        {"Doc\\General.Title", {}},
        {"Doc\\General.Desc", {}},
        {"Doc\\Desc.Copyright", {}},
        {"Doc\\Desc.WebMaster", {}},
        {"Doc\\Desc.Lang", {}},
        {"Doc\\Desc.Category", {}},
        {"Doc\\Pannel.iTunes", {}},
        {"Doc\\iTunes.Include", {}},
        {"Doc\\iTunes.Author", {}},
        {"Doc\\iTunes.SubTitle", {}},
        {"Doc\\iTunes.Summary", {}},
        {"Doc\\iTunes.KeyWord", {}},
        {"Doc\\iTunes.Mail", {}},
        {"Doc\\Pannel.Image", {}},
        {"Doc\\Image.Url", {}},
        {"Doc\\Image.Title", {}},
        {"Doc\\Image.Link", {}},
        {"Doc\\Pannel.FTP", {}},
        {"Doc\\FTP.Client", {}},
        {"Doc\\FTP.User", {}},
        {"Doc\\FTP.Port", {}},
        {"Doc\\FTP.Path", {}},

        // FTP window and its message list.
        {"FTP\\Title.Send", {}},
        {"FTP\\Win.CheckDate", {}},
        {"FTP\\Win.Port", {}},
        {"FTP\\Win.Client", {}},
        {"FTP\\Win.User", {}},
        {"FTP\\Win.Pass", {}},
        {"FTP\\Win.Send", {}},
        {"FTP\\Win.Cancel", {}},
        {"FTP\\Win.Quit", {}},
        {"FTP\\Win.ProgressBar", {}},
        {"FTP\\NetWork.NotFound", {}},
        {"FTP\\NetWork.Found", {}},
        {"FTP\\Client.Connected", {}},
        {"FTP\\Client.NotConnected", {}},
        {"FTP\\Send.File", {}},
        {"FTP\\Send.FileNotFound", {}},
        {"FTP\\Send.ErrorSetPath", {}},
        {"FTP\\Send.TooOldFile", {}},
        {"FTP\\Send.Error", {}},
        {"FTP\\Send.Ok", {}},
        {"FTP\\Send.ErrorFinished", {"%s1%", "%s2%"}},
        {"FTP\\Send.Finished", {"%s1%"}},
        {"FTP\\Send.Failed", {"%s1%", "%s2%"}},
        {"FTP\\Send.RenameRefused", {"%s1%", "%s2%"}},

        // Help, history, version check and about window.
        {"Help.Title", {}},
        {"WhatNews.Title", {}},
        {"WhatNews.FileName", {}},
        {"Help.FileName", {}},
        {"Help.NoHelp", {}},
        {"CNV\\Msg.DownloadErrorVersionFile", {}},
        {"CNV\\Msg.ErrorReadintTempVersionFile", {}},
        {"CNV\\Msg.NewVersion", {"%s1%"}},
        {"CNV\\Msg.NoNewVersion", {}},
        {"CNV\\Msg.Wait", {}},
        {"About.Title", {}},
        {"About.MessageAuthor", {"%s1%"}},
        {"About.ButtonOk", {}},
        {"About.ButtonWWW", {}},
        {"About.Maker", {}},

        // Language editor.
        {"LangEdit.Title", {}},
        {"LangEdit.Prior", {}},
        {"LangEdit.Next", {}},
        {"LangEdit.DelLabel", {}},
        {"LangEdit.LabelList", {}},
        {"LangEdit.Text", {}},
        {"LangEdit.UpdateText", {}},
        {"LangEdit.QuitAndSave", {}},
        {"LangEdit.Quit", {}},
        {"LangEdit.SaveError", {}},

        // Preferences window.
        {"Pref.Title", {}},
        {"Pref\\General", {}},
        {"Pref\\General.Lang", {}},
        {"Pref.OnStartOpenLast", {}},
        {"Pref\\General.EditionFont", {}},
        {"Pref\\Display", {}},
        {"Pref\\Disp.MaskStatusEdit", {}},
        {"Pref\\Disp.MakStatusTree", {}},
        {"Pref\\Shortcut", {}},
        {"Pref\\Shortcut.List", {}},
        {"Pref\\Shortcut.Alt", {}},
        {"Pref\\Shortcut.Control", {}},
        {"Pref\\Shortcut.Shift", {}},
        {"Pref\\Shortcut.Win", {}},
        {"Pref\\Shortcut.Key", {}},
        {"Pref\\Shortcut.Set", {}},

        // Find and replace window.
        {"Title.FindText", {}},
        {"FindText.Text", {}},
        {"FindText.ToReplace", {}},
        {"FindText.ReplaceText", {}},
        {"FindText.CheckCase", {}},
        {"FindText.HoleWord", {}},
        {"FindText.InSelection", {}},
        {"FindText.Next", {}},
        {"FindText.Previous", {}},
        {"FindText.ReplaceNext", {}},
        {"FindText.ReplaceAll", {}},
        {"FindText.Cancel", {}},
        {"FindText.AllReplaced", {"%s1%"}},

        // The refresh of the episodes' media files: the wait, then the counts.
        {"Media.Progress", {}},
        {"Media.Done", {"%s1%", "%s2%", "%s3%"}},
        {"Media.Stopped", {"%s1%", "%s2%", "%s3%"}},

        // The feed check: where a finding is, then what it is.
        {"Check.Channel", {"%s1%"}},
        {"Check.Episode", {"%s1%", "%s2%", "%s3%"}},
        {"Check.ITunesOff", {}},
        {"Check.NoCategory", {}},
        {"Check.NoExplicit", {}},
    };
}

// The directory's categories, shown under their language keys.
std::vector<LanguageKey> with_categories(std::vector<LanguageKey> table) {
    for (const PodcastCategory& c : PodcastCategories())
        table.push_back({c.key, {}});
    return table;
}

} // namespace

const std::vector<LanguageKey>& language_keys() {
    static const std::vector<LanguageKey> table = with_categories(build_table());
    return table;
}

const LanguageKey* find_language_key(std::string_view key) {
    for (const auto& entry : language_keys()) {
        if (iequals(entry.key, key)) {
            return &entry;
        }
    }
    return nullptr;
}

} // namespace qp
