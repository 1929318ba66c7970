#include "ui/dialogs/feed_window.h"

#include "core/chapters.h"
#include "core/dates.h"
#include "core/document.h"
#include "core/file_io.h"
#include "core/podcast_values.h"
#include "core/text.h"
#include "media/media.h"
#include "ui/common/combo.h"
#include "ui/common/date_field.h"
#include "ui/common/list_table.h"
#include "ui/common/qt_text.h"
#include "ui/common/window_state.h"
#include "ui/context/app_context.h"
#include "ui/context/file_picker.h"
#include "ui/dialogs/media_work.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSet>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeWidget>

#include <algorithm>

namespace qp::ui {

namespace {

constexpr int kWindowWidth = 830; // the ten page tabs side by side
constexpr int kFlags = kComboNoCase + kComboAppend;

using K = ControlKind;
constexpr LabelMode kLabel = LabelMode::WithLabel;
constexpr LabelMode kNone = LabelMode::NoLabel;

const ControlLine kGeneral[] = {
    {kFeedWinTitle, K::Edit, "CDE", kLabel, "Feed\\General.Title"},
    {kFeedWinAutoPubDate, K::CheckBox, "ABCDE", kNone, "Feed\\General.AutoPubDate"},
    {kFeedWinDate, K::Date, "CDE", kNone, nullptr},
    {kFeedWinGuid, K::Edit, "CDE", kLabel, "Feed\\General.GUID"},
    {kFeedWinNewGuid, K::Button, "ABCDE", kNone, "Feed\\General.NewGUID"},
    {kFeedWinNoAutoDelete, K::CheckBox, "ABCDE", kNone, "Feed\\General.NoAutoDelete"},
    {kFeedWinSpecialChar, K::CheckBox, "ABCDE", kNone, "Feed\\General.SpecialChar"},
};
const ControlLine kSource[] = {
    {kFeedWinLink, K::Edit, "CDE", kLabel, "Feed\\Source.Link"},
    {kFeedWinAuthor, K::EditCombo, "CDE", kLabel, "Feed\\Source.Author"},
    {kFeedWinCategory, K::EditCombo, "CDE", kLabel, "Feed\\Source.Category"},
    {kFeedWinComments, K::Edit, "CDE", kLabel, "Feed\\Source.Comments"},
};
const ControlLine kFile[] = {
    {kFeedWinFile, K::Edit, "CD", kLabel, "Feed\\File.Name"},
    {kFeedWinBrowse, K::Button, "E -1", kNone, "Feed\\File.Browse"},
    {kFeedWinUploadFile, K::CheckBox, "ABCDE", kNone, "Feed\\File.UploadFile"},
    {kFeedWinFileOnFtp, K::EditCombo, "CDE", kLabel, "Feed\\File.FileOnFTP"},
    {kFeedWinType, K::EditCombo, "CDE", kLabel, "Feed\\File.Type"},
    {kFeedWinLength, K::Digits, "CDE", kLabel, "Feed\\File.Length"},
    {kFeedWinAlternatesNote, K::Static, "ABCDE", kNone, "Feed\\File.Alternates"},
    {kFeedWinAlternates, K::ListView, "ABCDE 3", kNone, nullptr},
    {kFeedWinAlternates + kFeedWinListAdd, K::Button, "A", kNone, "List.Add"},
    {kFeedWinAlternates + kFeedWinListDelete, K::Button, "B -1", kNone, "List.Delete"},
    {kFeedWinAlternates + kFeedWinListUp, K::Button, "C -1", kNone, "List.Up"},
    {kFeedWinAlternates + kFeedWinListDown, K::Button, "D -1", kNone, "List.Down"},
    {kFeedWinAlternateFile, K::Button, "E -1", kNone, "Feed\\File.AddAlternate"},
};
const ControlLine kITunes[] = {
    {kFeedWinSubTitle, K::Edit, "CDE", kLabel, "Feed\\iTunes.Subtitle"},
    {kFeedWinSummary, K::Edit, "CDE", kLabel, "Feed\\iTunes.Summary"},
    {kFeedWinDuration, K::Edit, "CDE", kLabel, "Feed\\iTunes.Duration"},
    {kFeedWinKeyword, K::Edit, "CDE", kLabel, "Feed\\iTunes.KeyWord"},
    {kFeedWinExplicit, K::Combo, "CDE", kLabel, "Feed\\Episode.Explicit"},
    {kFeedWinImage, K::Edit, "CDE", kLabel, "Feed\\Episode.Image"},
};
const ControlLine kEpisode[] = {
    {kFeedWinEpisode, K::Digits, "D", kLabel, "Feed\\Episode.Number"},
    {kFeedWinEpisodeDisplay, K::Edit, "CDE", kLabel, "Feed\\Episode.Display"},
    {kFeedWinSeason, K::Digits, "D", kLabel, "Feed\\Episode.Season"},
    {kFeedWinSeasonName, K::Edit, "CDE", kLabel, "Feed\\Episode.SeasonName"},
    {kFeedWinEpisodeType, K::Combo, "CDE", kLabel, "Feed\\Episode.Type"},
    {kFeedWinItunesTitle, K::Edit, "CDE", kLabel, "Feed\\Episode.ItunesTitle"},
    {kFeedWinKept, K::Editor, "ABCDE 4", kLabel, "Window.KeptXml"},
};
const ControlLine kChapters[] = {
    {kFeedWinChaptersUrl, K::Edit, "CDE", kLabel, "Feed\\Chapters.Url"},
    {kFeedWinChapters, K::ListView, "ABCDE 4", kNone, nullptr},
    {kFeedWinChapterAdd, K::Button, "A", kNone, "Feed\\Chapters.Add"},
    {kFeedWinChapterDelete, K::Button, "B -1", kNone, "Feed\\Chapters.Delete"},
    {kFeedWinChapterUp, K::Button, "C -1", kNone, "Feed\\Chapters.Up"},
    {kFeedWinChapterDown, K::Button, "D -1", kNone, "Feed\\Chapters.Down"},
    {kFeedWinChapterImport, K::Button, "E -1", kNone, "Feed\\Chapters.Import"},
    {kFeedWinSoundbitesNote, K::Static, "ABCDE", kNone, "Feed\\Chapters.Soundbites"},
    {kFeedWinSoundbites, K::ListView, "ABCDE 3", kNone, nullptr},
    {kFeedWinSoundbites + kFeedWinListAdd, K::Button, "A", kNone, "List.Add"},
    {kFeedWinSoundbites + kFeedWinListDelete, K::Button, "B -1", kNone, "List.Delete"},
    {kFeedWinSoundbites + kFeedWinListUp, K::Button, "C -1", kNone, "List.Up"},
    {kFeedWinSoundbites + kFeedWinListDown, K::Button, "D -1", kNone, "List.Down"},
};
const ControlLine kTranscripts[] = {
    {kFeedWinTranscriptUrl, K::Edit, "CDE", kLabel, "Feed\\Episode.TranscriptUrl"},
    {kFeedWinTranscriptType, K::EditCombo, "CDE", kLabel, "Feed\\Episode.TranscriptType"},
    {kFeedWinTranscriptsNote, K::Static, "ABCDE", kNone, "Feed\\Transcripts.More"},
    {kFeedWinTranscripts, K::ListView, "ABCDE 5", kNone, nullptr},
    {kFeedWinTranscripts + kFeedWinListAdd, K::Button, "A", kNone, "List.Add"},
    {kFeedWinTranscripts + kFeedWinListDelete, K::Button, "B -1", kNone, "List.Delete"},
    {kFeedWinTranscripts + kFeedWinListUp, K::Button, "C -1", kNone, "List.Up"},
    {kFeedWinTranscripts + kFeedWinListDown, K::Button, "D -1", kNone, "List.Down"},
    {kFeedWinTranscriptFile, K::Button, "E -1", kNone, "Feed\\Transcripts.AddFile"},
};
const ControlLine kPeople[] = {
    {kFeedWinPersonsNote, K::Static, "ABCDE", kNone, "Feed\\People.Persons"},
    {kFeedWinPersons, K::ListView, "ABCDE 5", kNone, nullptr},
    {kFeedWinPersons + kFeedWinListAdd, K::Button, "A", kNone, "List.Add"},
    {kFeedWinPersons + kFeedWinListDelete, K::Button, "B -1", kNone, "List.Delete"},
    {kFeedWinPersons + kFeedWinListUp, K::Button, "C -1", kNone, "List.Up"},
    {kFeedWinPersons + kFeedWinListDown, K::Button, "D -1", kNone, "List.Down"},
    {kFeedWinLocation, K::Edit, "CDE", kLabel, "Feed\\People.Location"},
    {kFeedWinLocationGeo, K::Edit, "CDE", kLabel, "Feed\\People.Geo"},
    {kFeedWinLocationOsm, K::Edit, "CDE", kLabel, "Feed\\People.Osm"},
};
const ControlLine kNotes[] = {
    {kFeedWinContentNote, K::Static, "ABCDE", kNone, "Feed\\Notes.Content"},
    {kFeedWinContent, K::Editor, "ABCDE 4", kNone, nullptr},
};
const ControlLine kValue[] = {
    {kFeedWinRecipientsNote, K::Static, "ABCDE", kNone, "Feed\\Value.Recipients"},
    {kFeedWinRecipients, K::ListView, "ABCDE 3", kNone, nullptr},
    {kFeedWinRecipients + kFeedWinListAdd, K::Button, "A", kNone, "List.Add"},
    {kFeedWinRecipients + kFeedWinListDelete, K::Button, "B -1", kNone, "List.Delete"},
    {kFeedWinRecipients + kFeedWinListUp, K::Button, "C -1", kNone, "List.Up"},
    {kFeedWinRecipients + kFeedWinListDown, K::Button, "D -1", kNone, "List.Down"},
    {kFeedWinSplitsNote, K::Static, "ABCDE", kNone, "Feed\\Value.Splits"},
    {kFeedWinSplits, K::ListView, "ABCDE 3", kNone, nullptr},
    {kFeedWinSplits + kFeedWinListAdd, K::Button, "A", kNone, "List.Add"},
    {kFeedWinSplits + kFeedWinListDelete, K::Button, "B -1", kNone, "List.Delete"},
    {kFeedWinSplits + kFeedWinListUp, K::Button, "C -1", kNone, "List.Up"},
    {kFeedWinSplits + kFeedWinListDown, K::Button, "D -1", kNone, "List.Down"},
};
const PanelPage kPages[] = {
    {"Feed.General", kGeneral},
    {"Feed.Source", kSource},
    {"Feed.File", kFile},
    {"Feed\\Pannel.iTunes", kITunes},
    {"Feed\\Pannel.Episode", kEpisode},
    {"Feed\\Pannel.Chapters", kChapters},
    {"Feed\\Pannel.Transcripts", kTranscripts},
    {"Feed\\Pannel.People", kPeople},
    {"Feed\\Pannel.Notes", kNotes},
    {"Feed\\Pannel.Value", kValue},
};

// ItemToCombo with flags 5 for each value in turn, in one pass: on ten thousand feeds a search of
// the box per value would take seconds. The box ends as that sequence leaves it.
void offer(QComboBox* box, const ComboValues& values) {
    QSet<QString> seen;
    for (int i = 0; i < box->count(); ++i)
        seen.insert(box->itemText(i).toCaseFolded());
    QStringList added;
    for (const std::string& value : values.values) {
        const QString text = to_q(value);
        if (!seen.contains(text.toCaseFolded())) {
            seen.insert(text.toCaseFolded());
            added << text;
        }
    }
    box->addItems(added);
    if (!values.last.empty())
        ItemToCombo(box, to_q(values.last), 0, kFlags);
}

std::string text_of(const QLineEdit* edit) {
    return from_q(edit->text());
}

std::string text_of(const QComboBox* box) {
    return from_q(box->currentText());
}

// A row added at the end of a table for an entry, made the chosen one.
template <typename T> void append_entry(ListTable& table, const T& entry) {
    table.append_row(ListRows<T>::row(entry));
}

} // namespace

FeedWindow::FeedWindow(AppContext& context, Doc& doc, FeedWindowMode mode, QWidget* parent)
    : PropertyDialog(parent, context.lang, kWindowWidth), ctx_(context), doc_(doc), mode_(mode) {
    setObjectName(QStringLiteral("WindowClass_%1").arg(kFeedWinWindow));
    setWindowTitle(
        to_q(texts().get(mode == FeedWindowMode::New ? "Feed\\Title.New" : "Feed\\Title.Edit")));
    build_panel(kFeedWinPanel, kPages);
    control<QPlainTextEdit>(kFeedWinKept)->setReadOnly(true);
    fill_page_below(kFeedWinKept);
    fill_page_below(kFeedWinContent);
    panel()->tabBar()->setUsesScrollButtons(true);
    transcripts_ = bind_table(kFeedWinTranscripts, ListRows<Transcript>::columns());
    persons_ = bind_table(kFeedWinPersons, ListRows<Person>::columns());
    soundbites_ = bind_table(kFeedWinSoundbites, ListRows<Soundbite>::columns());
    alternates_ = bind_table(kFeedWinAlternates, ListRows<AlternateEnclosure>::columns());
    recipients_ = bind_table(kFeedWinRecipients, ListRows<ValueRecipient>::columns());
    splits_ = bind_table(kFeedWinSplits, ListRows<ValueTimeSplit>::columns());
    transcripts_->propose(1, kTranscriptTypes);
    recipients_->propose(1, kRecipientTypes);
    propose_person_values(*persons_);
    connect(control<QPushButton>(kFeedWinTranscriptFile), &QPushButton::clicked, this,
            &FeedWindow::add_transcript_file);
    connect(control<QPushButton>(kFeedWinAlternateFile), &QPushButton::clicked, this,
            &FeedWindow::add_alternate_file);
    const int location[] = {kFeedWinLocation, kFeedWinLocationGeo, kFeedWinLocationOsm};
    for (int i = 0; i < 3; ++i)
        location_[i] = control<QLineEdit>(location[i]);
    season_name_ = control<QLineEdit>(kFeedWinSeasonName);
    episode_display_ = control<QLineEdit>(kFeedWinEpisodeDisplay);
    itunes_title_ = control<QLineEdit>(kFeedWinItunesTitle);
    content_ = control<QPlainTextEdit>(kFeedWinContent);
    chapters_url_ = control<QLineEdit>(kFeedWinChaptersUrl);
    chapters_ = bind_table(kFeedWinChapters, ListRows<Chapter>::columns());
    // A chapter added after another starts where that one starts, and its title is typed first;
    // moving off the start first commits its editor, which would else write it back empty.
    connect(control<QPushButton>(kFeedWinChapterAdd), &QPushButton::clicked, this, [this] {
        QTreeWidget* tree = chapters_->tree();
        QTreeWidgetItem* row = tree->currentItem();
        const int at = tree->indexOfTopLevelItem(row);
        if (at <= 0)
            return;
        tree->setCurrentItem(row, 1);
        row->setText(0, tree->topLevelItem(at - 1)->text(0));
        tree->editItem(row, 1);
    });
    connect(control<QPushButton>(kFeedWinChapterImport), &QPushButton::clicked, this,
            &FeedWindow::import_chapters);

    date_ = control<DateField>(kFeedWinDate);

    title_ = control<QLineEdit>(kFeedWinTitle);
    auto_date_ = control<QCheckBox>(kFeedWinAutoPubDate);
    guid_ = control<QLineEdit>(kFeedWinGuid);
    no_auto_delete_ = control<QCheckBox>(kFeedWinNoAutoDelete);
    special_char_ = control<QCheckBox>(kFeedWinSpecialChar);
    link_ = control<QLineEdit>(kFeedWinLink);
    author_ = control<QComboBox>(kFeedWinAuthor);
    category_ = control<QComboBox>(kFeedWinCategory);
    comments_ = control<QLineEdit>(kFeedWinComments);
    file_ = control<QLineEdit>(kFeedWinFile);
    upload_ = control<QCheckBox>(kFeedWinUploadFile);
    on_ftp_ = control<QComboBox>(kFeedWinFileOnFtp);
    type_ = control<QComboBox>(kFeedWinType);
    length_ = control<QLineEdit>(kFeedWinLength);
    const int itunes[] = {kFeedWinSubTitle, kFeedWinSummary, kFeedWinDuration, kFeedWinKeyword};
    for (int i = 0; i < 4; ++i)
        itunes_[i] = control<QLineEdit>(itunes[i]);
    explicit_ = control<QComboBox>(kFeedWinExplicit);
    image_ = control<QLineEdit>(kFeedWinImage);
    episode_ = control<QLineEdit>(kFeedWinEpisode);
    season_ = control<QLineEdit>(kFeedWinSeason);
    episode_type_ = control<QComboBox>(kFeedWinEpisodeType);
    transcript_url_ = control<QLineEdit>(kFeedWinTranscriptUrl);
    transcript_type_ = control<QComboBox>(kFeedWinTranscriptType);

    connect(auto_date_, &QCheckBox::toggled, date_, [this](bool on) { date_->setEnabled(!on); });
    connect(file_, &QLineEdit::textChanged, upload_,
            [this](const QString& name) { upload_->setEnabled(!name.isEmpty()); });
    connect(control<QPushButton>(kFeedWinNewGuid), &QPushButton::clicked, this,
            &FeedWindow::new_guid);
    connect(control<QPushButton>(kFeedWinBrowse), &QPushButton::clicked, this, &FeedWindow::browse);

    fill_combos();
    const int current = doc_.CurrentFeed;
    if (mode_ == FeedWindowMode::Edit && current >= 0 &&
        current < static_cast<int>(doc_.Feeds.size()))
        load_feed(doc_.Feeds[static_cast<std::size_t>(current)]);
    else
        set_new_defaults();
    date_->setEnabled(!auto_date_->isChecked());
    upload_->setEnabled(!file_->text().isEmpty());
    title_->setFocus();
}

// The chapter list's buttons follow it as every table's do.
static_assert(kFeedWinChapterAdd == kFeedWinChapters + kFeedWinListAdd &&
              kFeedWinChapterDelete == kFeedWinChapters + kFeedWinListDelete &&
              kFeedWinChapterUp == kFeedWinChapters + kFeedWinListUp &&
              kFeedWinChapterDown == kFeedWinChapters + kFeedWinListDown);

ListTable* FeedWindow::bind_table(int number, std::span<const ListColumn> columns) {
    auto* tree = control<QTreeWidget>(number);
    auto* table =
        new ListTable(tree, columns, texts(), control<QPushButton>(number + kFeedWinListAdd),
                      control<QPushButton>(number + kFeedWinListDelete),
                      control<QPushButton>(number + kFeedWinListUp),
                      control<QPushButton>(number + kFeedWinListDown));
    // Each column shows its whole heading; the text columns share out the room of a table wider
    // than they need, the numbers and boxes keep their width.
    QHeaderView* header = tree->header();
    int total = 0;
    int texts_width = 0;
    for (int i = 0; i < header->count(); ++i) {
        header->resizeSection(i, std::max(header->sectionSize(i), header->sectionSizeHint(i)));
        total += header->sectionSize(i);
        if (columns[static_cast<std::size_t>(i)].kind == CellKind::Text)
            texts_width += header->sectionSize(i);
    }
    const int extra = tree->width() - 2 * tree->frameWidth() - total;
    if (extra > 0 && texts_width > 0)
        for (int i = 0; i < header->count(); ++i)
            if (columns[static_cast<std::size_t>(i)].kind == CellKind::Text)
                header->resizeSection(i, header->sectionSize(i) +
                                             extra * header->sectionSize(i) / texts_width);
    return table;
}

void FeedWindow::fill_combos() {
    ItemToCombo(type_, QStringLiteral("audio/mpeg"), 0, kFlags);
    ItemToCombo(type_, QString(), 0, kFlags);
    ItemToCombo(category_, QString(), 0, kFlags);
    const FeedComboValues values = feed_combo_values(doc_.Feeds);
    offer(type_, values.types);
    offer(category_, values.categories);
    offer(author_, values.authors);
    offer(on_ftp_, values.folders);
    for (const std::string_view type : kTranscriptTypes)
        transcript_type_->addItem(to_q(type));
}

void FeedWindow::set_new_defaults() {
    auto_date_->setChecked(true);
    date_->set_value(now_in(doc_.TimeZone));
    guid_->setText(to_q(Feed_NewGUID(doc_.Feeds)));
    ItemToCombo(category_, QString(), 0, kFlags);
    ItemToCombo(on_ftp_, QString(), 0, kFlags);
    combo_set_choices(explicit_, kEpisodeExplicitChoices, texts(), {});
    combo_set_choices(episode_type_, kEpisodeTypeChoices, texts(), {});
    // A proposed type is a choice to make, not a value to store unasked.
    transcript_type_->setEditText(QString());
}

void FeedWindow::load_feed(const Feed& feed) {
    const FeedFields f = feed_load_fields(feed);
    title_->setText(to_q(f.title));
    auto_date_->setChecked(f.auto_pub_date);
    date_->set_value(f.date);
    guid_->setText(to_q(f.guid));
    no_auto_delete_->setChecked(f.no_auto_delete);
    special_char_->setChecked(f.special_char);
    link_->setText(to_q(f.link));
    author_->setEditText(to_q(f.author));
    ItemToCombo(category_, to_q(f.category), 0, kFlags);
    comments_->setText(to_q(f.comments));
    file_->setText(to_q(f.file));
    upload_->setChecked(f.upload_file);
    ItemToCombo(on_ftp_, to_q(f.file_on_ftp), 0, kFlags);
    ItemToCombo(type_, to_q(f.file_type), 0, kFlags);
    length_->setText(to_q(f.length));
    const std::string* itunes[] = {&f.sub_title, &f.summary, &f.duration, &f.keyword};
    for (int i = 0; i < 4; ++i)
        itunes_[i]->setText(to_q(*itunes[i]));
    combo_set_choices(explicit_, kEpisodeExplicitChoices, texts(), f.explicitness);
    combo_set_choices(episode_type_, kEpisodeTypeChoices, texts(), f.episode_type);
    image_->setText(to_q(f.image));
    episode_->setText(to_q(f.episode));
    season_->setText(to_q(f.season));
    transcript_url_->setText(to_q(f.transcript_url));
    transcript_type_->setEditText(to_q(f.transcript_type));
    control<QPlainTextEdit>(kFeedWinKept)->setPlainText(to_q(feed.FeedExtraXml));
    chapters_url_->setText(to_q(f.chapters_url));
    chapters_->set(f.chapters);
    transcripts_->set(f.transcripts);
    persons_->set(f.persons);
    const std::string* location[] = {&f.location, &f.location_geo, &f.location_osm};
    for (int i = 0; i < 3; ++i)
        location_[i]->setText(to_q(*location[i]));
    season_name_->setText(to_q(f.season_name));
    episode_display_->setText(to_q(f.episode_display));
    itunes_title_->setText(to_q(f.itunes_title));
    soundbites_->set(f.soundbites);
    alternates_->set(f.alternates);
    content_->setPlainText(to_q(f.content));
    recipients_->set(f.value_recipients);
    splits_->set(f.value_splits);
}

FeedFields FeedWindow::fields() const {
    FeedFields f;
    f.title = text_of(title_);
    f.auto_pub_date = auto_date_->isChecked();
    f.date = date_->value();
    f.guid = text_of(guid_);
    f.no_auto_delete = no_auto_delete_->isChecked();
    f.special_char = special_char_->isChecked();
    f.link = text_of(link_);
    f.author = text_of(author_);
    f.category = text_of(category_);
    f.comments = text_of(comments_);
    f.file = text_of(file_);
    f.upload_file = upload_->isChecked();
    f.file_on_ftp = text_of(on_ftp_);
    f.file_type = text_of(type_);
    f.length = text_of(length_);
    f.sub_title = text_of(itunes_[0]);
    f.summary = text_of(itunes_[1]);
    f.duration = text_of(itunes_[2]);
    f.keyword = text_of(itunes_[3]);
    f.explicitness = combo_choice_value(explicit_);
    f.image = text_of(image_);
    f.episode = text_of(episode_);
    f.season = text_of(season_);
    f.episode_type = combo_choice_value(episode_type_);
    f.transcript_url = text_of(transcript_url_);
    f.transcript_type = text_of(transcript_type_);
    f.chapters_url = text_of(chapters_url_);
    f.chapters = chapters_->entries<Chapter>();
    f.transcripts = transcripts_->entries<Transcript>();
    f.persons = persons_->entries<Person>();
    f.location = text_of(location_[0]);
    f.location_geo = text_of(location_[1]);
    f.location_osm = text_of(location_[2]);
    f.season_name = text_of(season_name_);
    f.episode_display = text_of(episode_display_);
    f.itunes_title = text_of(itunes_title_);
    f.soundbites = soundbites_->entries<Soundbite>();
    f.alternates = alternates_->entries<AlternateEnclosure>();
    f.content = from_q(content_->toPlainText());
    f.value_recipients = recipients_->entries<ValueRecipient>();
    f.value_splits = splits_->entries<ValueTimeSplit>();
    return f;
}

void FeedWindow::import_chapters() {
    const std::string path =
        choose_file("Feed\\Chapters.ImportTitle", "Feed\\Chapters.ImportFilter", true);
    if (path.empty())
        return;
    std::vector<Chapter> found;
    std::string why;
    if (iequals(extension_of(path), "txt")) {
        std::string text;
        const FileResult read = read_file(path, text);
        Result<std::vector<Chapter>> labels =
            read ? chapters_from_labels(text) : Result<std::vector<Chapter>>(read.error());
        if (labels)
            found = std::move(labels).value();
        else
            why = labels.error_text();
    } else {
        MediaInfo media;
        if (!media_read_off_thread(ctx_, this, path, media))
            return;
        found = media.chapters;
        why = path;
    }
    if (found.empty()) {
        ctx_.requester->RequestMessage(to_q(texts().get("Msg.Error")),
                                       to_q(texts().get("Feed\\Chapters.NoneFound", {why})),
                                       RequestButtons::Ok, this);
        return;
    }
    chapters_->set(found);
}

std::string FeedWindow::choose_file(const char* title_key, const char* filter_key, bool from_file) {
    // A stored name may hold placeholders; the file dialog needs the real path. The episode's
    // file is where its chapters, transcripts and other forms usually lie; without one, the
    // episodes usually lie beside the project.
    const std::string file = ctx_.paths.Path_Expand(text_of(file_));
    QString start = to_q(from_file ? file : folder_part(file));
    if (start.isEmpty())
        start = to_q(doc_.FileName.empty() ? ctx_.StartFolder : folder_part(doc_.FileName));
    const QString chosen = ctx_.files->open_file(this, to_q(texts().get(title_key)), start,
                                                 file_dialog_filter(texts().get(filter_key)));
    if (chosen.isEmpty())
        return {};
    std::string path = from_q(chosen);
    const auto info = file_info(path);
    if (!info || info->is_directory)
        return {};
    return path;
}

void FeedWindow::add_transcript_file() {
    const std::string path =
        choose_file("Feed\\Transcripts.BrowseTitle", "Feed\\Transcripts.BrowseFilter", false);
    if (path.empty())
        return;
    Transcript t;
    t.File = ctx_.paths.Path_Compact(path);
    t.Type = transcript_type_for_path(path);
    append_entry(*transcripts_, t);
}

void FeedWindow::add_alternate_file() {
    const std::string path =
        choose_file("Feed\\File.AlternateTitle", "Feed\\File.BrowseFilter", false);
    if (path.empty())
        return;
    MediaInfo media;
    if (!media_read_off_thread(ctx_, this, path, media))
        return;
    const auto info = file_info(path);
    const std::int64_t length = info ? info->size : media.length;
    const std::string type =
        media.type.empty() ? std::string(feed_guess_mime_type(path)) : media.type;
    append_entry(*alternates_, alternate_for_file(ctx_.paths.Path_Compact(path), length, type,
                                                  media.ok() ? media.seconds : 0));
}

void FeedWindow::new_guid() {
    guid_->setText(to_q(Feed_NewGUID(doc_.Feeds)));
    guid_->setFocus();
}

void FeedWindow::browse() {
    const std::string path = choose_file("Feed\\File.BrowseTitle", "Feed\\File.BrowseFilter", true);
    const auto info = path.empty() ? std::nullopt : file_info(path);
    if (!info)
        return;
    ctx_.StartFolder = folder_part(path);
    // The content tells the playing time and the type; the extension is the fallback.
    MediaInfo media;
    if (!media_read_off_thread(ctx_, this, path, media))
        return;
    file_->setText(to_q(ctx_.paths.Path_Compact(path)));
    length_->setText(QString::number(info->size));
    if (media.ok())
        control<QLineEdit>(kFeedWinDuration)->setText(to_q(media_duration(media.seconds)));
    if (type_->currentText().trimmed().isEmpty()) {
        const std::string type =
            media.type.empty() ? std::string(feed_guess_mime_type(path)) : media.type;
        if (!type.empty())
            ItemToCombo(type_, to_q(type), 0, kFlags);
    }
}

bool FeedWindow::validate() {
    const std::vector<ListRow> chapters = chapters_->rows();
    for (std::size_t i = 0; i < chapters.size(); ++i) {
        if (first_bad_cell(ListRows<Chapter>::columns(), chapters[i]) < 0)
            continue;
        panel()->setCurrentWidget(chapters_->tree()->parentWidget());
        chapters_->tree()->setCurrentItem(chapters_->tree()->topLevelItem(static_cast<int>(i)), 0);
        ctx_.requester->RequestMessage(
            to_q(texts().get("Msg.Error")),
            to_q(texts().get("Feed\\Chapters.BadStart", {std::to_string(i + 1), chapters[i][0]})),
            RequestButtons::Ok, this);
        return false;
    }
    for (ListTable* table :
         {transcripts_, persons_, soundbites_, alternates_, recipients_, splits_}) {
        const std::string message = table->bad_cell_message();
        if (message.empty())
            continue;
        panel()->setCurrentWidget(table->tree()->parentWidget());
        table->tree()->setFocus();
        ctx_.requester->RequestMessage(to_q(texts().get("Msg.Error")), to_q(message),
                                       RequestButtons::Ok, this);
        return false;
    }
    Feed scratch;
    feed_store_fields(fields(), now_in(doc_.TimeZone), scratch);
    const int skip = mode_ == FeedWindowMode::Edit ? doc_.CurrentFeed : -1;
    if (!Feed_GUIDExists(doc_.Feeds, scratch.FeedGUID, skip))
        return true;
    ctx_.requester->RequestMessage(to_q(texts().get("Msg.Error")),
                                   to_q(texts().get("Feed\\Error.ExistGUID")), RequestButtons::Ok,
                                   this);
    return false;
}

int FeedWindow::store() {
    const int current = doc_.CurrentFeed;
    if (mode_ == FeedWindowMode::New) {
        doc_.Feeds.insert(doc_.Feeds.begin(), Feed{});
        doc_.CurrentFeed = 0;
    } else if (current < 0 || current >= static_cast<int>(doc_.Feeds.size())) {
        return 0;
    }
    Feed& feed = doc_.Feeds[static_cast<std::size_t>(doc_.CurrentFeed)];
    const FeedFields f = fields();
    // A published episode keeps its place in the listeners' apps: the automatic date moves
    // only with a new title, never with a change of the other fields.
    DateValue when = f.date;
    if (mode_ == FeedWindowMode::New || Text_StripControl(f.title, false) != feed.FeedTitle)
        when = now_in(doc_.TimeZone);
    else if ((feed.FeedFlag & kAutoPubDate) != 0)
        when = feed.FeedPubDate;
    feed_store_fields(f, when, feed);
    return doc_.CurrentFeed + 1;
}

int FeedWindow_Open(AppContext& context, QWidget* parent, Doc& doc, FeedWindowMode mode) {
    if (mode == FeedWindowMode::Edit &&
        (doc.CurrentFeed < 0 || doc.CurrentFeed >= static_cast<int>(doc.Feeds.size())))
        return 0;
    QWidget* owner = parent != nullptr ? parent->window() : nullptr;
    const QPointer<QWidget> focused = Window_Disable(owner);
    int result = 0;
    {
        FeedWindow window(context, doc, mode, owner);
        // A child window of the disabled owner starts disabled too.
        window.setEnabled(true);
        if (window.exec() == QDialog::Accepted)
            result = window.store();
    }
    Window_Enable(focused, owner);
    return result;
}

} // namespace qp::ui
