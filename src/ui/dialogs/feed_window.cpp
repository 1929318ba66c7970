#include "ui/dialogs/feed_window.h"

#include "core/dates.h"
#include "core/document.h"
#include "core/file_io.h"
#include "media/media.h"
#include "ui/common/combo.h"
#include "ui/common/date_field.h"
#include "ui/common/qt_text.h"
#include "ui/common/window_state.h"
#include "ui/context/app_context.h"
#include "ui/context/file_picker.h"
#include "ui/dialogs/media_work.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>

namespace qp::ui {

namespace {

constexpr int kWindowWidth = 400;
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
    {kFeedWinSeason, K::Digits, "D", kLabel, "Feed\\Episode.Season"},
    {kFeedWinEpisodeType, K::Combo, "CDE", kLabel, "Feed\\Episode.Type"},
    {kFeedWinTranscriptUrl, K::Edit, "CDE", kLabel, "Feed\\Episode.TranscriptUrl"},
    {kFeedWinTranscriptType, K::EditCombo, "CDE", kLabel, "Feed\\Episode.TranscriptType"},
};
const PanelPage kPages[] = {
    {"Feed.General", kGeneral},       {"Feed.Source", kSource},           {"Feed.File", kFile},
    {"Feed\\Pannel.iTunes", kITunes}, {"Feed\\Pannel.Episode", kEpisode},
};

// ItemToCombo with flags 5 for each value in turn, in one pass: on ten thousand feeds a search of
// the box per value would take seconds. The box ends as that sequence leaves it.
void offer(QComboBox* box, const ComboValues& values) {
    QSet<QString> seen;
    for (int i = 0; i < box->count(); ++i)
        seen.insert(box->itemText(i).toCaseFolded());
    QStringList added;
    for (const std::string& value : values.values) {
        const QString text = toQ(value);
        if (!seen.contains(text.toCaseFolded())) {
            seen.insert(text.toCaseFolded());
            added << text;
        }
    }
    box->addItems(added);
    if (!values.last.empty())
        ItemToCombo(box, toQ(values.last), 0, kFlags);
}

std::string textOf(const QLineEdit* edit) {
    return fromQ(edit->text());
}

std::string textOf(const QComboBox* box) {
    return fromQ(box->currentText());
}

} // namespace

FeedWindow::FeedWindow(AppContext& context, Doc& doc, FeedWindowMode mode, QWidget* parent)
    : PropertyDialog(parent, context.lang, kWindowWidth), ctx_(context), doc_(doc), mode_(mode) {
    setObjectName(QStringLiteral("WindowClass_%1").arg(kFeedWinWindow));
    setWindowTitle(
        toQ(texts().get(mode == FeedWindowMode::New ? "Feed\\Title.New" : "Feed\\Title.Edit")));
    buildPanel(kFeedWinPanel, kPages);

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
            &FeedWindow::NewGUID);
    connect(control<QPushButton>(kFeedWinBrowse), &QPushButton::clicked, this, &FeedWindow::Browse);

    fillCombos();
    const int current = doc_.CurrentFeed;
    if (mode_ == FeedWindowMode::Edit && current >= 0 &&
        current < static_cast<int>(doc_.Feeds.size()))
        loadFeed(doc_.Feeds[static_cast<std::size_t>(current)]);
    else
        setNewDefaults();
    date_->setEnabled(!auto_date_->isChecked());
    upload_->setEnabled(!file_->text().isEmpty());
    title_->setFocus();
}

void FeedWindow::fillCombos() {
    ItemToCombo(type_, QStringLiteral("audio/mpeg"), 0, kFlags);
    ItemToCombo(type_, QString(), 0, kFlags);
    ItemToCombo(category_, QString(), 0, kFlags);
    const FeedComboValues values = Feed_ComboValues(doc_.Feeds);
    offer(type_, values.types);
    offer(category_, values.categories);
    offer(author_, values.authors);
    offer(on_ftp_, values.folders);
    for (const std::string_view type : kTranscriptTypes)
        transcript_type_->addItem(toQ(type));
}

void FeedWindow::setNewDefaults() {
    auto_date_->setChecked(true);
    date_->setValue(NowIn(doc_.TimeZone));
    guid_->setText(toQ(Feed_NewGUID(doc_.Feeds)));
    ItemToCombo(category_, QString(), 0, kFlags);
    ItemToCombo(on_ftp_, QString(), 0, kFlags);
    Combo_SetChoices(explicit_, kEpisodeExplicitChoices, texts(), {});
    Combo_SetChoices(episode_type_, kEpisodeTypeChoices, texts(), {});
    // A proposed type is a choice to make, not a value to store unasked.
    transcript_type_->setEditText(QString());
}

void FeedWindow::loadFeed(const Feed& feed) {
    const FeedFields f = Feed_LoadFields(feed);
    title_->setText(toQ(f.title));
    auto_date_->setChecked(f.autoPubDate);
    date_->setValue(f.date);
    guid_->setText(toQ(f.guid));
    no_auto_delete_->setChecked(f.noAutoDelete);
    special_char_->setChecked(f.specialChar);
    link_->setText(toQ(f.link));
    author_->setEditText(toQ(f.author));
    ItemToCombo(category_, toQ(f.category), 0, kFlags);
    comments_->setText(toQ(f.comments));
    file_->setText(toQ(f.file));
    upload_->setChecked(f.uploadFile);
    ItemToCombo(on_ftp_, toQ(f.fileOnFtp), 0, kFlags);
    ItemToCombo(type_, toQ(f.fileType), 0, kFlags);
    length_->setText(toQ(f.length));
    const std::string* itunes[] = {&f.subTitle, &f.summary, &f.duration, &f.keyword};
    for (int i = 0; i < 4; ++i)
        itunes_[i]->setText(toQ(*itunes[i]));
    Combo_SetChoices(explicit_, kEpisodeExplicitChoices, texts(), f.explicitness);
    Combo_SetChoices(episode_type_, kEpisodeTypeChoices, texts(), f.episodeType);
    image_->setText(toQ(f.image));
    episode_->setText(toQ(f.episode));
    season_->setText(toQ(f.season));
    transcript_url_->setText(toQ(f.transcriptUrl));
    transcript_type_->setEditText(toQ(f.transcriptType));
}

FeedFields FeedWindow::fields() const {
    FeedFields f;
    f.title = textOf(title_);
    f.autoPubDate = auto_date_->isChecked();
    f.date = date_->value();
    f.guid = textOf(guid_);
    f.noAutoDelete = no_auto_delete_->isChecked();
    f.specialChar = special_char_->isChecked();
    f.link = textOf(link_);
    f.author = textOf(author_);
    f.category = textOf(category_);
    f.comments = textOf(comments_);
    f.file = textOf(file_);
    f.uploadFile = upload_->isChecked();
    f.fileOnFtp = textOf(on_ftp_);
    f.fileType = textOf(type_);
    f.length = textOf(length_);
    f.subTitle = textOf(itunes_[0]);
    f.summary = textOf(itunes_[1]);
    f.duration = textOf(itunes_[2]);
    f.keyword = textOf(itunes_[3]);
    f.explicitness = Combo_ChoiceValue(explicit_);
    f.image = textOf(image_);
    f.episode = textOf(episode_);
    f.season = textOf(season_);
    f.episodeType = Combo_ChoiceValue(episode_type_);
    f.transcriptUrl = textOf(transcript_url_);
    f.transcriptType = textOf(transcript_type_);
    return f;
}

void FeedWindow::NewGUID() {
    guid_->setText(toQ(Feed_NewGUID(doc_.Feeds)));
    guid_->setFocus();
}

void FeedWindow::Browse() {
    // A stored name may hold placeholders; the file dialog needs the real path. Without one,
    // the episodes usually lie beside the project.
    QString start = toQ(ctx_.paths.Path_Expand(textOf(file_)));
    if (start.isEmpty())
        start = toQ(doc_.FileName.empty() ? ctx_.StartFolder : folder_part(doc_.FileName));
    const QString chosen =
        ctx_.files->openFile(this, toQ(texts().get("Feed\\File.BrowseTitle")), start,
                             FileDialog_Filter(texts().get("Feed\\File.BrowseFilter")));
    if (chosen.isEmpty())
        return;
    const std::string path = fromQ(chosen);
    const auto info = file_info(path);
    if (!info || info->is_directory)
        return;
    ctx_.StartFolder = folder_part(path);
    // The content tells the playing time and the type; the extension is the fallback.
    MediaInfo media;
    if (!Media_ReadOffThread(ctx_, this, path, media))
        return;
    file_->setText(toQ(ctx_.paths.Path_Compact(path)));
    length_->setText(QString::number(info->size));
    if (media.ok())
        control<QLineEdit>(kFeedWinDuration)->setText(toQ(Media_Duration(media.seconds)));
    if (type_->currentText().trimmed().isEmpty()) {
        const std::string type =
            media.type.empty() ? std::string(Feed_GuessMimeType(path)) : media.type;
        if (!type.empty())
            ItemToCombo(type_, toQ(type), 0, kFlags);
    }
}

bool FeedWindow::validate() {
    Feed scratch;
    Feed_StoreFields(fields(), NowIn(doc_.TimeZone), scratch);
    const int skip = mode_ == FeedWindowMode::Edit ? doc_.CurrentFeed : -1;
    if (!Feed_GUIDExists(doc_.Feeds, scratch.FeedGUID, skip))
        return true;
    ctx_.requester->RequestMessage(toQ(texts().get("Msg.Error")),
                                   toQ(texts().get("Feed\\Error.ExistGUID")), RequestButtons::Ok,
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
        when = NowIn(doc_.TimeZone);
    else if ((feed.FeedFlag & kAutoPubDate) != 0)
        when = feed.FeedPubDate;
    Feed_StoreFields(f, when, feed);
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
