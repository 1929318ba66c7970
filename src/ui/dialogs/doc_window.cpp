#include "ui/dialogs/doc_window.h"

#include "core/channel_settings.h"
#include "core/dates.h"
#include "core/file_io.h"
#include "core/image_size.h"
#include "core/publish_plan.h"
#include "core/rss_writer.h"
#include "core/text.h"
#include "core/texts.h"
#include "net/ftp_job.h"
#include "ui/common/combo.h"
#include "ui/common/date_field.h"
#include "ui/common/qt_text.h"
#include "ui/common/window_state.h"
#include "ui/context/file_picker.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>

#include <algorithm>
#include <span>

namespace qp::ui {

namespace {

// Wide enough for the seven page tabs side by side and a whole podcast GUID.
constexpr int kWidth = 520;

using K = ControlKind;
using L = LabelMode;

const ControlLine kGeneral[] = {
    {kDocCtlFormat, K::Combo, "CDE", L::WithLabel, "Doc\\General.Format"},
    {kDocCtlBaseLink, K::Edit, "CDE", L::WithLabel, "Doc\\General.BaseLink"},
    {kDocCtlRssName, K::Edit, "CDE", L::WithLabel, "Doc\\General.RSSFileName"},
    {kDocCtlRssFile, K::Edit, "CDE", L::WithLabel, "Doc\\General.RssFile"},
    {kDocCtlFeedAddress, K::Edit, "CDE", L::WithLabel, "Doc\\General.FeedAddress"},
    {kDocCtlAutoLastBuildDate, K::CheckBox, "ABCDE", L::NoLabel, "Doc\\General.AutoLastBuildDate"},
    {kDocCtlLastBuildDate, K::Date, "CDE", L::NoLabel, nullptr},
    {kDocCtlFormatDate, K::Edit, "CDE", L::WithLabel, "Doc\\General.FormatDate"},
    {kDocCtlTimeZone, K::Combo, "CDE", L::WithLabel, "Doc\\General.TimeZone"},
    {kDocCtlMaxFeed, K::Spin, "D", L::WithLabel, "Doc\\General.MaxFeed"},
    {kDocCtlTTL, K::Spin, "D", L::WithLabel, "Doc\\Desc.TTL"},
    {kDocCtlSpecialChar, K::CheckBox, "ABCDE", L::NoLabel, "Doc\\General.SpecialChar"},
};
const ControlLine kDesc[] = {
    {kDocCtlTitle, K::Edit, "CDE", L::WithLabel, "Doc\\General.Title"},
    {kDocCtlDesc, K::Edit, "CDE", L::WithLabel, "Doc\\General.Desc"},
    {kDocCtlCopyright, K::Edit, "CDE", L::WithLabel, "Doc\\Desc.Copyright"},
    {kDocCtlWebMaster, K::Edit, "CDE", L::WithLabel, "Doc\\Desc.WebMaster"},
    {kDocCtlLang, K::Combo, "CDE", L::WithLabel, "Doc\\Desc.Lang"},
    {kDocCtlCategory, K::Edit, "CDE", L::WithLabel, "Doc\\Desc.Category"},
};
const ControlLine kITunes[] = {
    {kDocCtlITunesInclude, K::CheckBox, "ABCDE", L::NoLabel, "Doc\\iTunes.Include"},
    {kDocCtlITunesAuthor, K::Edit, "CDE", L::WithLabel, "Doc\\iTunes.Author"},
    {kDocCtlITunesSubTitle, K::Edit, "CDE", L::WithLabel, "Doc\\iTunes.SubTitle"},
    {kDocCtlITunesSummary, K::Edit, "CDE", L::WithLabel, "Doc\\iTunes.Summary"},
    {kDocCtlITunesKeyword, K::Edit, "CDE", L::WithLabel, "Doc\\iTunes.KeyWord"},
    {kDocCtlITunesMail, K::Edit, "CDE", L::WithLabel, "Doc\\iTunes.Mail"},
    {kDocCtlITunesOwnerName, K::Edit, "CDE", L::WithLabel, "Doc\\iTunes.OwnerName"},
};
const ControlLine kDirectory[] = {
    {kDocCtlDirCategory, K::Combo, "CDE", L::WithLabel, "Doc\\Directory.Category"},
    {kDocCtlDirSubCategory, K::Combo, "CDE", L::WithLabel, "Doc\\Directory.SubCategory"},
    {kDocCtlDirExplicit, K::Combo, "CDE", L::WithLabel, "Doc\\Directory.Explicit"},
    {kDocCtlDirType, K::Combo, "CDE", L::WithLabel, "Doc\\Directory.Type"},
    {kDocCtlDirNewFeedUrl, K::Edit, "CDE", L::WithLabel, "Doc\\Directory.NewFeedUrl"},
    {kDocCtlDirBlock, K::CheckBox, "ABCDE", L::NoLabel, "Doc\\Directory.Block"},
    {kDocCtlDirComplete, K::CheckBox, "ABCDE", L::NoLabel, "Doc\\Directory.Complete"},
};
const ControlLine kPodcast[] = {
    {kDocCtlPodcastInclude, K::CheckBox, "ABCDE", L::NoLabel, "Doc\\Podcast.Include"},
    {kDocCtlPodcastLocked, K::Combo, "CDE", L::WithLabel, "Doc\\Podcast.Locked"},
    {kDocCtlPodcastLockedOwner, K::Edit, "CDE", L::WithLabel, "Doc\\Podcast.LockedOwner"},
    {kDocCtlPodcastFundingUrl, K::Edit, "CDE", L::WithLabel, "Doc\\Podcast.FundingUrl"},
    {kDocCtlPodcastFundingText, K::Edit, "CDE", L::WithLabel, "Doc\\Podcast.FundingText"},
    {kDocCtlPodcastGuid, K::Edit, "CDE", L::WithLabel, "Doc\\Podcast.Guid"},
};
const ControlLine kImage[] = {
    {kDocCtlImageUrl, K::Edit, "CDE", L::WithLabel, "Doc\\Image.Url"},
    {kDocCtlImageTitle, K::Edit, "CDE", L::WithLabel, "Doc\\Image.Title"},
    {kDocCtlImageLink, K::Edit, "CDE", L::WithLabel, "Doc\\Image.Link"},
    {kDocCtlImageFile, K::Edit, "CD", L::WithLabel, "Doc\\Image.File"},
    {kDocCtlImageBrowse, K::Button, "E -1", L::NoLabel, "Doc\\Image.Browse"},
    {kDocCtlImageInfo, K::Static, "CDE", L::NoLabel, nullptr},
};
const ControlLine kFtp[] = {
    {kDocCtlFtpProtocol, K::Combo, "CDE", L::WithLabel, "Doc\\FTP.Protocol"},
    {kDocCtlFtpClient, K::Edit, "CDE", L::WithLabel, "Doc\\FTP.Client"},
    {kDocCtlFtpUser, K::Edit, "CDE", L::WithLabel, "Doc\\FTP.User"},
    {kDocCtlFtpPort, K::Digits, "CDE", L::WithLabel, "Doc\\FTP.Port"},
    {kDocCtlFtpPath, K::Edit, "CDE", L::WithLabel, "Doc\\FTP.Path"},
    {kDocCtlPublishProject, K::CheckBox, "ABCDE", L::NoLabel, "Doc\\FTP.PublishProject"},
};
const PanelPage kPages[] = {
    {"Doc\\Pannel.General", kGeneral}, {"Doc\\Pannel.Desc", kDesc},
    {"Doc\\Pannel.iTunes", kITunes},   {"Doc\\Pannel.Directory", kDirectory},
    {"Doc\\Pannel.Podcast", kPodcast}, {"Doc\\Pannel.Image", kImage},
    {"Doc\\Pannel.FTP", kFtp}};

struct TextField {
    int number;
    std::string Doc::*field;
};

// The line edits that hold a `Doc` text as it stands; the cleaning comes when it is stored.
const TextField kTextFields[] = {
    {kDocCtlBaseLink, &Doc::Link},
    {kDocCtlRssName, &Doc::RssName},
    {kDocCtlFormatDate, &Doc::FormatDate},
    {kDocCtlTitle, &Doc::Title},
    {kDocCtlDesc, &Doc::Desc},
    {kDocCtlCopyright, &Doc::Copyright},
    {kDocCtlWebMaster, &Doc::WebMaster},
    {kDocCtlCategory, &Doc::Category},
    {kDocCtlITunesAuthor, &Doc::iTunesAuthor},
    {kDocCtlITunesSubTitle, &Doc::iTunesSubTitle},
    {kDocCtlITunesSummary, &Doc::iTunesSummary},
    {kDocCtlITunesKeyword, &Doc::iTunesKeyword},
    {kDocCtlITunesMail, &Doc::iTunesMail},
    {kDocCtlITunesOwnerName, &Doc::iTunesOwnerName},
    {kDocCtlDirNewFeedUrl, &Doc::iTunesNewFeedUrl},
    {kDocCtlPodcastLockedOwner, &Doc::PodcastLockedOwner},
    {kDocCtlPodcastFundingUrl, &Doc::PodcastFundingUrl},
    {kDocCtlPodcastFundingText, &Doc::PodcastFundingText},
    {kDocCtlImageUrl, &Doc::ImageUrl},
    {kDocCtlImageTitle, &Doc::ImageTitle},
    {kDocCtlImageLink, &Doc::ImageLink},
    {kDocCtlImageFile, &Doc::ImageFile},
    {kDocCtlFtpClient, &Doc::Client},
    {kDocCtlFtpUser, &Doc::User},
    {kDocCtlFtpPath, &Doc::PathFTP},
};

constexpr int kITunesFields[] = {
    kDocCtlITunesAuthor, kDocCtlITunesSubTitle,  kDocCtlITunesSummary, kDocCtlITunesKeyword,
    kDocCtlITunesMail,   kDocCtlITunesOwnerName, kDocCtlDirCategory,   kDocCtlDirSubCategory,
    kDocCtlDirExplicit,  kDocCtlDirType,         kDocCtlDirNewFeedUrl, kDocCtlDirBlock,
    kDocCtlDirComplete};
constexpr int kPodcastFields[] = {kDocCtlPodcastLocked, kDocCtlPodcastLockedOwner,
                                  kDocCtlPodcastFundingUrl, kDocCtlPodcastFundingText,
                                  kDocCtlPodcastGuid};

// The closed choices and the `Doc` value each one holds.
struct ChoiceField {
    int number;
    std::span<const ChoiceItem> choices;
    std::string Doc::*field;
};

const ChoiceField kChoiceFields[] = {
    {kDocCtlDirExplicit, kChannelExplicitChoices, &Doc::iTunesExplicit},
    {kDocCtlDirType, kChannelTypeChoices, &Doc::iTunesType},
    {kDocCtlPodcastLocked, kChannelLockedChoices, &Doc::PodcastLocked},
};

struct IntBox {
    int number;
    int Doc::*field;
};

constexpr IntBox kIntBoxes[] = {{kDocCtlDirBlock, &Doc::iTunesBlock},
                                {kDocCtlDirComplete, &Doc::iTunesComplete}};

struct FlagBox {
    int number;
    int bit;
};

constexpr FlagBox kFlagBoxes[] = {{kDocCtlAutoLastBuildDate, kAutoLastBuildDate},
                                  {kDocCtlITunesInclude, kITunesInclude},
                                  {kDocCtlSpecialChar, qp::kDocSpecialChar},
                                  {kDocCtlPodcastInclude, kPodcastInclude}};

// A spin field keeps its range, widened to the stored value so that an untouched field gives
// back what it got instead of silently clamping it.
void setSpin(QSpinBox* spin, int low, int high, int value) {
    spin->setRange(std::min(low, value), std::max(high, value));
    spin->setValue(value);
}

} // namespace

DocWindow::DocWindow(QWidget* parent, Texts& texts, const Doc& doc, FilePicker* files)
    : PropertyDialog(parent, texts, kWidth), file_name_(doc.FileName), files_(files) {
    setWindowTitle(toQ(texts.get("Doc.Title")));
    setProperty("windowId", kDocWindowId);
    build();
    load(doc);
    updateEnabling();
    panel()->setCurrentIndex(kDocPageDesc);
    control<QLineEdit>(kDocCtlTitle)->setFocus();
}

void DocWindow::build() {
    buildPanel(kDocCtlPanel, kPages);
    date_ = control<DateField>(kDocCtlLastBuildDate);
    for (const int number :
         {kDocCtlAutoLastBuildDate, kDocCtlITunesInclude, kDocCtlPodcastInclude}) {
        connect(control<QCheckBox>(number), &QCheckBox::toggled, this, &DocWindow::updateEnabling);
    }
    for (const int number : {kDocCtlPodcastGuid, kDocCtlRssFile, kDocCtlFeedAddress})
        control<QLineEdit>(number)->setReadOnly(true);
    connect(control<QPushButton>(kDocCtlImageBrowse), &QPushButton::clicked, this,
            &DocWindow::browseImage);
}

void DocWindow::load(const Doc& doc) {
    for (const TextField& t : kTextFields) {
        auto* edit = control<QLineEdit>(t.number);
        edit->setText(toQ(doc.*t.field));
        edit->setCursorPosition(0); // a long text shows its beginning
    }
    control<QLineEdit>(kDocCtlFtpPort)->setText(QString::number(doc.Port));
    auto* protocol = control<QComboBox>(kDocCtlFtpProtocol);
    for (const ProtocolItem& item : kChannelProtocols)
        protocol->addItem(toQ(texts().get(item.key)), Protocol_Number(item.value));
    // A value no program wrote publishes as FTPS, so it is shown as FTPS.
    shown_protocol_ = Protocol_FromNumber(Protocol_Number(doc.Protocol));
    ItemToCombo_ByData(protocol, Protocol_Number(shown_protocol_), ComboMissing::SelectFirst);
    connect(protocol, &QComboBox::currentIndexChanged, this, &DocWindow::protocolChanged);
    setSpin(control<QSpinBox>(kDocCtlMaxFeed), 2, 200, doc.MaxFeed);
    setSpin(control<QSpinBox>(kDocCtlTTL), 1, 2000, doc.TTL);
    date_->setValue(doc.LastBuildDate);
    for (const FlagBox& box : kFlagBoxes)
        control<QCheckBox>(box.number)->setChecked((doc.Flag & box.bit) != 0);
    for (const IntBox& box : kIntBoxes)
        control<QCheckBox>(box.number)->setChecked(doc.*box.field != 0);
    for (const ChoiceField& c : kChoiceFields)
        Combo_SetChoices(control<QComboBox>(c.number), c.choices, texts(), doc.*c.field);

    auto* category = control<QComboBox>(kDocCtlDirCategory);
    Combo_SetChoices(category, Channel_CategoryChoices(), texts(), doc.iTunesCategory);
    Combo_SetChoices(control<QComboBox>(kDocCtlDirSubCategory),
                     Channel_SubCategoryChoices(doc.iTunesCategory), texts(),
                     doc.iTunesSubCategory);
    // Connected once loaded, so the stored subcategory is not refilled away.
    connect(category, &QComboBox::currentIndexChanged, this, &DocWindow::refillSubCategories);
    for (const int number : {kDocCtlBaseLink, kDocCtlRssName})
        connect(control<QLineEdit>(number), &QLineEdit::textChanged, this,
                &DocWindow::updateAddresses);
    updateAddresses();
    connect(control<QLineEdit>(kDocCtlImageFile), &QLineEdit::textChanged, this,
            &DocWindow::updateImageInfo);
    updateImageInfo();
    control<QCheckBox>(kDocCtlPublishProject)->setChecked(doc.ProjectPrivate == 0);

    auto* format = control<QComboBox>(kDocCtlFormat);
    ItemToCombo(format, toQ(kFormatRssV2), 0, kComboNoCase + kComboAppend);
    // A format read from a file without one is shown as the format it will be stored with.
    if (!doc.Format.empty())
        ItemToCombo(format, toQ(doc.Format), 0, kComboNoCase + kComboAppend);

    auto* lang = control<QComboBox>(kDocCtlLang);
    for (const std::string_view code : kChannelLanguages)
        ItemToCombo(lang, toQ(code), 0, kComboNoCase + kComboAppend);
    ItemToCombo(lang, toQ(doc.Lang), 0, kComboNoCase + kComboAppend);

    auto* zone = control<QComboBox>(kDocCtlTimeZone);
    for (const TimeZoneItem& item : TimeZone_Items())
        ItemToCombo(zone, toQ(item.text), item.value, kComboNoCase + kComboAppend);
    ItemToCombo_ByData(zone, doc.TimeZone, ComboMissing::SelectFirst);
}

void DocWindow::updateEnabling() {
    const bool itunes = control<QCheckBox>(kDocCtlITunesInclude)->isChecked();
    for (const int number : kITunesFields)
        control<QWidget>(number)->setEnabled(itunes);
    const bool podcast = control<QCheckBox>(kDocCtlPodcastInclude)->isChecked();
    for (const int number : kPodcastFields)
        control<QWidget>(number)->setEnabled(podcast);
    date_->setEnabled(!control<QCheckBox>(kDocCtlAutoLastBuildDate)->isChecked());
}

void DocWindow::refillSubCategories() {
    auto* sub = control<QComboBox>(kDocCtlDirSubCategory);
    const std::vector<ChoiceItem> choices =
        Channel_SubCategoryChoices(Combo_ChoiceValue(control<QComboBox>(kDocCtlDirCategory)));
    std::string kept = Combo_ChoiceValue(sub);
    if (std::none_of(choices.begin(), choices.end(),
                     [&](const ChoiceItem& c) { return c.value == kept; }))
        kept.clear();
    Combo_SetChoices(sub, choices, texts(), kept);
}

Doc DocWindow::typedNames() const {
    Doc scratch;
    scratch.FileName = file_name_;
    scratch.Link = fromQ(control<QLineEdit>(kDocCtlBaseLink)->text());
    scratch.RssName = fromQ(control<QLineEdit>(kDocCtlRssName)->text());
    scratch.ImageFile = fromQ(control<QLineEdit>(kDocCtlImageFile)->text());
    Channel_CleanTyped(scratch); // as OK would store them
    return scratch;
}

void DocWindow::updateAddresses() {
    const Doc scratch = typedNames();
    const std::pair<int, std::string> shown[] = {
        {kDocCtlRssFile, Rss_FileName(scratch)},
        {kDocCtlFeedAddress, Channel_PublicLink(scratch)},
        {kDocCtlPodcastGuid, Channel_PodcastGuid(scratch)}};
    for (const auto& [number, text] : shown) {
        auto* field = control<QLineEdit>(number);
        field->setText(toQ(text));
        field->setCursorPosition(0);
    }
}

void DocWindow::updateImageInfo() {
    const Doc scratch = typedNames();
    QString info;
    if (!scratch.ImageFile.empty()) {
        const ImageFileHeader file = Image_FileHeader(Channel_ImageLocal(scratch));
        const ImageHeader& h = file.header;
        if (file.error.empty() && h.format != ImageFormat::Unknown && h.width > 0)
            info = toQ(texts().get("Doc\\Image.Info",
                                   {h.format == ImageFormat::Png ? "PNG" : "JPEG",
                                    std::to_string(h.width), std::to_string(h.height)}));
        else
            info = toQ(texts().get("Doc\\Image.Unreadable"));
    }
    control<QLabel>(kDocCtlImageInfo)->setText(info);
}

void DocWindow::browseImage() {
    auto* field = control<QLineEdit>(kDocCtlImageFile);
    const std::string current = Channel_ImageLocal(typedNames());
    const QString start = toQ(current.empty() ? folder_part(file_name_) : current);
    const QString title = toQ(texts().get("Doc\\Image.File"));
    const QString filter = toQ(texts().get("Doc\\Image.Filter"));
    DialogFilePicker dialogs;
    FilePicker& picker = files_ != nullptr ? *files_ : dialogs;
    const QString chosen = picker.openFile(this, title, start, filter);
    if (!chosen.isEmpty())
        field->setText(chosen);
}

void DocWindow::protocolChanged() {
    const Protocol chosen =
        Protocol_FromNumber(control<QComboBox>(kDocCtlFtpProtocol)->currentData().toInt());
    auto* port = control<QLineEdit>(kDocCtlFtpPort);
    port->setText(QString::number(
        Protocol_ProposedPort(shown_protocol_, chosen, parse_leading_int32(fromQ(port->text())))));
    shown_protocol_ = chosen;
}

void DocWindow::store(Doc& doc) const {
    for (const TextField& t : kTextFields)
        doc.*t.field = fromQ(control<QLineEdit>(t.number)->text());
    doc.Lang = fromQ(control<QComboBox>(kDocCtlLang)->currentText());
    for (const ChoiceField& c : kChoiceFields)
        doc.*c.field = Combo_ChoiceValue(control<QComboBox>(c.number));
    doc.iTunesCategory = Combo_ChoiceValue(control<QComboBox>(kDocCtlDirCategory));
    doc.iTunesSubCategory = Combo_ChoiceValue(control<QComboBox>(kDocCtlDirSubCategory));
    for (const IntBox& box : kIntBoxes)
        doc.*box.field = control<QCheckBox>(box.number)->isChecked() ? 1 : 0;
    doc.ProjectPrivate = control<QCheckBox>(kDocCtlPublishProject)->isChecked() ? 0 : 1;
    Channel_CleanTyped(doc);
    doc.PathFTP = net::FTP_FolderPart(doc.PathFTP, true);
    doc.Port = parse_leading_int32(fromQ(control<QLineEdit>(kDocCtlFtpPort)->text()));
    doc.Protocol =
        Protocol_FromNumber(control<QComboBox>(kDocCtlFtpProtocol)->currentData().toInt());

    const auto* zone = control<QComboBox>(kDocCtlTimeZone);
    doc.TimeZone = zone->currentIndex() < 0 ? kAutoTimeZone : zone->currentData().toInt();
    doc.LastBuildDate = date_->value();
    doc.MaxFeed = control<QSpinBox>(kDocCtlMaxFeed)->value();
    doc.TTL = control<QSpinBox>(kDocCtlTTL)->value();
    doc.Flag = 0;
    for (const FlagBox& box : kFlagBoxes) {
        if (control<QCheckBox>(box.number)->isChecked())
            doc.Flag += box.bit;
    }
}

bool DocWindow_Open(QWidget* main_window, Texts& texts, Doc& doc, FilePicker* files) {
    const QPointer<QWidget> focused = Window_Disable(main_window);
    bool confirmed = false;
    {
        DocWindow window(main_window, texts, doc, files);
        // A child window of the disabled main window starts disabled too.
        window.setEnabled(true);
        if (window.exec() == QDialog::Accepted) {
            window.store(doc);
            confirmed = true;
        }
    }
    Window_Enable(focused, main_window);
    return confirmed;
}

} // namespace qp::ui
