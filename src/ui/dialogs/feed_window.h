// The feed window: a new feed, or the properties of the current one (all but its text), in
// ten pages. Nothing reaches the document before OK, and OK is refused while another feed has
// the same GUID.
#pragma once

#include "core/feed_list.h"
#include "core/list_rows.h"
#include "ui/common/property_dialog.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

class QPlainTextEdit;
class QTreeWidget;

namespace qp::ui {

struct AppContext;
class DateField;
class ListTable;

enum class FeedWindowMode { Edit = 0, New = 1 };

// Window and control numbers.
inline constexpr int kFeedWinWindow = 1000;
inline constexpr int kFeedWinPanel = 1001;
inline constexpr int kFeedWinTitle = 1002;
inline constexpr int kFeedWinAutoPubDate = 1003;
inline constexpr int kFeedWinDate = 1004;
inline constexpr int kFeedWinGuid = 1005;
inline constexpr int kFeedWinNewGuid = 1006;
inline constexpr int kFeedWinNoAutoDelete = 1007;
inline constexpr int kFeedWinSpecialChar = 1008;
inline constexpr int kFeedWinLink = 1009;
inline constexpr int kFeedWinAuthor = 1010;
inline constexpr int kFeedWinCategory = 1011;
inline constexpr int kFeedWinComments = 1012;
inline constexpr int kFeedWinFile = 1013;
inline constexpr int kFeedWinBrowse = 1014;
inline constexpr int kFeedWinUploadFile = 1015;
inline constexpr int kFeedWinFileOnFtp = 1016;
inline constexpr int kFeedWinType = 1017;
inline constexpr int kFeedWinLength = 1018;
inline constexpr int kFeedWinSubTitle = 1019;
inline constexpr int kFeedWinSummary = 1020;
inline constexpr int kFeedWinDuration = 1021;
inline constexpr int kFeedWinKeyword = 1022;
inline constexpr int kFeedWinExplicit = 1023;
inline constexpr int kFeedWinImage = 1024;
inline constexpr int kFeedWinEpisode = 1025;
inline constexpr int kFeedWinSeason = 1026;
inline constexpr int kFeedWinEpisodeType = 1027;
inline constexpr int kFeedWinTranscriptUrl = 1028;
inline constexpr int kFeedWinTranscriptType = 1029;
// What an imported episode held that the program does not edit, shown as it stands.
inline constexpr int kFeedWinKept = 1030;
// The Chapters page: an existing chapters file's address, or the list the program writes one of.
inline constexpr int kFeedWinChaptersUrl = 1031;
inline constexpr int kFeedWinChapters = 1032;
inline constexpr int kFeedWinChapterAdd = 1033;
inline constexpr int kFeedWinChapterDelete = 1034;
inline constexpr int kFeedWinChapterUp = 1035;
inline constexpr int kFeedWinChapterDown = 1036;
inline constexpr int kFeedWinChapterImport = 1037;
// The namespace's lists: each table is followed by its add, delete, up and down buttons.
inline constexpr int kFeedWinTranscriptsNote = 1038;
inline constexpr int kFeedWinTranscripts = 1039; // to 1043
inline constexpr int kFeedWinTranscriptFile = 1044;
inline constexpr int kFeedWinPersonsNote = 1045;
inline constexpr int kFeedWinPersons = 1046; // to 1050
inline constexpr int kFeedWinLocation = 1051;
inline constexpr int kFeedWinLocationGeo = 1052;
inline constexpr int kFeedWinLocationOsm = 1053;
inline constexpr int kFeedWinSeasonName = 1054;
inline constexpr int kFeedWinEpisodeDisplay = 1055;
inline constexpr int kFeedWinItunesTitle = 1056;
inline constexpr int kFeedWinSoundbitesNote = 1057;
inline constexpr int kFeedWinSoundbites = 1058; // to 1062
inline constexpr int kFeedWinAlternatesNote = 1063;
inline constexpr int kFeedWinAlternates = 1064; // to 1068
inline constexpr int kFeedWinAlternateFile = 1069;
inline constexpr int kFeedWinContentNote = 1070;
inline constexpr int kFeedWinContent = 1071;
inline constexpr int kFeedWinRecipientsNote = 1072;
inline constexpr int kFeedWinRecipients = 1073; // to 1077
inline constexpr int kFeedWinSplitsNote = 1078;
inline constexpr int kFeedWinSplits = 1079; // to 1083
// A table's buttons follow its number.
inline constexpr int kFeedWinListAdd = 1;
inline constexpr int kFeedWinListDelete = 2;
inline constexpr int kFeedWinListUp = 3;
inline constexpr int kFeedWinListDown = 4;

class FeedWindow final : public PropertyDialog {
public:
    // Edit needs a current feed in the document.
    FeedWindow(AppContext& context, Doc& doc, FeedWindowMode mode, QWidget* parent);

    FeedFields fields() const;
    DateField* date_field() const { return date_; }
    // Puts a GUID no stored feed has into the GUID field.
    void new_guid();
    // Chooses the enclosure file: its name, its length, its playing time and, when no type is
    // set, its type read from its content (else guessed from its extension).
    void browse();
    // Replaces the chapters by a media file's chapters or a label file's labels.
    void import_chapters();
    // Adds a row for a local file: a transcript with the type its extension names; another form
    // of the episode with its length, type and average bit rate.
    void add_transcript_file();
    void add_alternate_file();
    // Writes the fields into the document (the current feed, or a new one at the top); returns
    // the written feed's position + 1.
    int store();

protected:
    bool validate() override;

private:
    ListTable* bind_table(int number, std::span<const ListColumn> columns);
    // A file chosen in the enclosure's folder, the enclosure itself proposed with from_file; or
    // empty.
    std::string choose_file(const char* title_key, const char* filter_key, bool from_file);
    void fill_combos();
    void load_feed(const Feed& feed);
    void set_new_defaults();

    AppContext& ctx_;
    Doc& doc_;
    FeedWindowMode mode_;
    QLineEdit* title_ = nullptr;
    QCheckBox* auto_date_ = nullptr;
    DateField* date_ = nullptr;
    QLineEdit* guid_ = nullptr;
    QCheckBox* no_auto_delete_ = nullptr;
    QCheckBox* special_char_ = nullptr;
    QLineEdit* link_ = nullptr;
    QComboBox* author_ = nullptr;
    QComboBox* category_ = nullptr;
    QLineEdit* comments_ = nullptr;
    QLineEdit* file_ = nullptr;
    QCheckBox* upload_ = nullptr;
    QComboBox* on_ftp_ = nullptr;
    QComboBox* type_ = nullptr;
    QLineEdit* length_ = nullptr;
    QLineEdit* itunes_[4] = {};
    QComboBox* explicit_ = nullptr;
    QLineEdit* image_ = nullptr;
    QLineEdit* episode_ = nullptr;
    QLineEdit* season_ = nullptr;
    QComboBox* episode_type_ = nullptr;
    QLineEdit* transcript_url_ = nullptr;
    QComboBox* transcript_type_ = nullptr;
    QLineEdit* chapters_url_ = nullptr;
    ListTable* chapters_ = nullptr;
    ListTable* transcripts_ = nullptr;
    ListTable* persons_ = nullptr;
    QLineEdit* location_[3] = {};
    QLineEdit* season_name_ = nullptr;
    QLineEdit* episode_display_ = nullptr;
    QLineEdit* itunes_title_ = nullptr;
    ListTable* soundbites_ = nullptr;
    ListTable* alternates_ = nullptr;
    QPlainTextEdit* content_ = nullptr;
    ListTable* recipients_ = nullptr;
    ListTable* splits_ = nullptr;
};

// Opens the window modal over parent, which is disabled meanwhile. Returns 0 when the user
// cancelled (or Edit finds no current feed), else the written feed's position + 1.
int FeedWindow_Open(AppContext& context, QWidget* parent, Doc& doc, FeedWindowMode mode);

} // namespace qp::ui
