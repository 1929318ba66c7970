#include "ui/dialogs/doc_window.h"

#include "core/channel_settings.h"
#include "core/dates.h"
#include "core/file_io.h"
#include "core/image_size.h"
#include "core/podcast_values.h"
#include "core/publish_plan.h"
#include "core/rss_writer.h"
#include "core/text.h"
#include "core/texts.h"
#include "net/ftp_job.h"
#include "ui/common/combo.h"
#include "ui/common/date_field.h"
#include "ui/common/layout_bridge.h"
#include "ui/common/list_table.h"
#include "ui/common/qt_text.h"
#include "ui/common/window_state.h"
#include "ui/context/file_picker.h"
#include "ui/dialogs/requester.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QTabWidget>
#include <QTreeWidget>

#include <algorithm>
#include <span>

namespace qp::ui {

namespace {

// Wide enough for the eleven page tabs side by side and for the payment table's columns.
constexpr int kWidth = 830;

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
    {kDocCtlWebSubHub, K::Edit, "CDE", L::WithLabel, "Doc\\Directory.WebSubHub"},
    {kDocCtlNotifyDirectories, K::CheckBox, "ABCDE", L::NoLabel, "Doc\\Directory.Notify"},
    {kDocCtlBlocks, K::ListView, "ABCDE 3", L::WithLabel, "Doc\\Directory.Blocks"},
    {kDocCtlBlockAdd, K::Button, "A", L::NoLabel, "List.Add"},
    {kDocCtlBlockDelete, K::Button, "B -1", L::NoLabel, "List.Delete"},
    {kDocCtlBlockUp, K::Button, "C -1", L::NoLabel, "List.Up"},
    {kDocCtlBlockDown, K::Button, "D -1", L::NoLabel, "List.Down"},
};
const ControlLine kPodcast[] = {
    {kDocCtlPodcastInclude, K::CheckBox, "ABCDE", L::NoLabel, "Doc\\Podcast.Include"},
    {kDocCtlPodcastLocked, K::Combo, "CDE", L::WithLabel, "Doc\\Podcast.Locked"},
    {kDocCtlPodcastLockedOwner, K::Edit, "CDE", L::WithLabel, "Doc\\Podcast.LockedOwner"},
    {kDocCtlPodcastFundingUrl, K::Edit, "CDE", L::WithLabel, "Doc\\Podcast.FundingUrl"},
    {kDocCtlPodcastFundingText, K::Edit, "CDE", L::WithLabel, "Doc\\Podcast.FundingText"},
    {kDocCtlPodcastGuid, K::Edit, "CDE", L::WithLabel, "Doc\\Podcast.Guid"},
    {kDocCtlMeasurePrefix, K::Edit, "CDE", L::WithLabel, "Doc\\Podcast.MeasurePrefix"},
    {kDocCtlKeptXml, K::Editor, "ABCDE 4", L::WithLabel, "Window.KeptXml"},
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
    {kDocCtlS3Region, K::Edit, "CDE", L::WithLabel, "Doc\\FTP.S3Region"},
    {kDocCtlS3Bucket, K::Edit, "CDE", L::WithLabel, "Doc\\FTP.S3Bucket"},
    {kDocCtlS3PathStyle, K::CheckBox, "ABCDE", L::NoLabel, "Doc\\FTP.S3PathStyle"},
    {kDocCtlCacheFeed, K::Edit, "CDE", L::WithLabel, "Doc\\FTP.CacheFeed"},
    {kDocCtlCacheMedia, K::Edit, "CDE", L::WithLabel, "Doc\\FTP.CacheMedia"},
    {kDocCtlPublishProject, K::CheckBox, "ABCDE", L::NoLabel, "Doc\\FTP.PublishProject"},
};
// A table's buttons sit in one row below it, as on the episode window's chapters page.
const ControlLine kPeople[] = {
    {kDocCtlPersons, K::ListView, "ABCDE 7", L::NoLabel, nullptr},
    {kDocCtlPersonAdd, K::Button, "A", L::NoLabel, "List.Add"},
    {kDocCtlPersonDelete, K::Button, "B -1", L::NoLabel, "List.Delete"},
    {kDocCtlPersonUp, K::Button, "C -1", L::NoLabel, "List.Up"},
    {kDocCtlPersonDown, K::Button, "D -1", L::NoLabel, "List.Down"},
    {kDocCtlLocation, K::Edit, "CDE", L::WithLabel, "Doc\\People.Location"},
    {kDocCtlLocationGeo, K::Edit, "CDE", L::WithLabel, "Doc\\People.Geo"},
    {kDocCtlLocationOsm, K::Edit, "CDE", L::WithLabel, "Doc\\People.Osm"},
};
const ControlLine kLicense[] = {
    {kDocCtlLicense, K::EditCombo, "CDE", L::WithLabel, "Doc\\License.License"},
    {kDocCtlLicenseUrl, K::Edit, "CDE", L::WithLabel, "Doc\\License.Url"},
    {kDocCtlMedium, K::EditCombo, "CDE", L::WithLabel, "Doc\\License.Medium"},
    {kDocCtlUpdateFrequency, K::Edit, "CDE", L::WithLabel, "Doc\\License.Frequency"},
    {kDocCtlUpdateRule, K::Edit, "CDE", L::WithLabel, "Doc\\License.Rule"},
    {kDocCtlUpdateStart, K::Edit, "CDE", L::WithLabel, "Doc\\License.Start"},
    {kDocCtlUpdateComplete, K::CheckBox, "ABCDE", L::NoLabel, "Doc\\License.Complete"},
    {kDocCtlTexts, K::ListView, "ABCDE 3", L::WithLabel, "Doc\\License.Texts"},
    {kDocCtlTextAdd, K::Button, "A", L::NoLabel, "List.Add"},
    {kDocCtlTextDelete, K::Button, "B -1", L::NoLabel, "List.Delete"},
    {kDocCtlTextUp, K::Button, "C -1", L::NoLabel, "List.Up"},
    {kDocCtlTextDown, K::Button, "D -1", L::NoLabel, "List.Down"},
};
const ControlLine kPromotion[] = {
    {kDocCtlTrailers, K::ListView, "ABCDE 4", L::WithLabel, "Doc\\Promotion.Trailers"},
    {kDocCtlTrailerAdd, K::Button, "A", L::NoLabel, "List.Add"},
    {kDocCtlTrailerDelete, K::Button, "B -1", L::NoLabel, "List.Delete"},
    {kDocCtlTrailerUp, K::Button, "C -1", L::NoLabel, "List.Up"},
    {kDocCtlTrailerDown, K::Button, "D -1", L::NoLabel, "List.Down"},
    {kDocCtlPodroll, K::ListView, "ABCDE 4", L::WithLabel, "Doc\\Promotion.Podroll"},
    {kDocCtlPodrollAdd, K::Button, "A", L::NoLabel, "List.Add"},
    {kDocCtlPodrollDelete, K::Button, "B -1", L::NoLabel, "List.Delete"},
    {kDocCtlPodrollUp, K::Button, "C -1", L::NoLabel, "List.Up"},
    {kDocCtlPodrollDown, K::Button, "D -1", L::NoLabel, "List.Down"},
};
const ControlLine kPayments[] = {
    {kDocCtlValueType, K::EditCombo, "CDE", L::WithLabel, "Doc\\Payments.Type"},
    {kDocCtlValueMethod, K::EditCombo, "CDE", L::WithLabel, "Doc\\Payments.Method"},
    {kDocCtlValueSuggested, K::Edit, "CDE", L::WithLabel, "Doc\\Payments.Suggested"},
    {kDocCtlRecipients, K::ListView, "ABCDE 7", L::WithLabel, "Doc\\Payments.Recipients"},
    {kDocCtlRecipientAdd, K::Button, "A", L::NoLabel, "List.Add"},
    {kDocCtlRecipientDelete, K::Button, "B -1", L::NoLabel, "List.Delete"},
    {kDocCtlRecipientUp, K::Button, "C -1", L::NoLabel, "List.Up"},
    {kDocCtlRecipientDown, K::Button, "D -1", L::NoLabel, "List.Down"},
};
// In the order of DocPage.
const PanelPage kPages[] = {
    {"Doc\\Pannel.General", kGeneral},  {"Doc\\Pannel.Desc", kDesc},
    {"Doc\\Pannel.iTunes", kITunes},    {"Doc\\Pannel.Directory", kDirectory},
    {"Doc\\Pannel.Podcast", kPodcast},  {"Doc\\Pannel.Image", kImage},
    {"Doc\\Pannel.FTP", kFtp},          {"Doc\\Pannel.People", kPeople},
    {"Doc\\Pannel.License", kLicense},  {"Doc\\Pannel.Promotion", kPromotion},
    {"Doc\\Pannel.Payments", kPayments}};
// The namespace's own pages, which follow its box.
constexpr int kNamespacePages[] = {kDocPagePeople, kDocPageLicense, kDocPagePromotion,
                                   kDocPagePayments};

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
    {kDocCtlS3Region, &Doc::S3Region},
    {kDocCtlS3Bucket, &Doc::S3Bucket},
    {kDocCtlCacheFeed, &Doc::CacheFeed},
    {kDocCtlCacheMedia, &Doc::CacheMedia},
    {kDocCtlWebSubHub, &Doc::WebSubHub},
    {kDocCtlMeasurePrefix, &Doc::MeasurePrefix},
    {kDocCtlLocation, &Doc::Location},
    {kDocCtlLocationGeo, &Doc::LocationGeo},
    {kDocCtlLocationOsm, &Doc::LocationOsm},
    {kDocCtlLicenseUrl, &Doc::LicenseUrl},
    {kDocCtlUpdateFrequency, &Doc::UpdateFrequency},
    {kDocCtlUpdateRule, &Doc::UpdateFrequencyRule},
    {kDocCtlUpdateStart, &Doc::UpdateFrequencyStart},
    {kDocCtlValueSuggested, &Doc::ValueSuggested},
};

// The editable combo boxes: the values the namespace names, and any other typed.
struct OfferField {
    int number;
    std::span<const std::string_view> offers;
    std::string Doc::*field;
};

const OfferField kOfferFields[] = {
    {kDocCtlLicense, kLicenseIds, &Doc::License},
    {kDocCtlMedium, kMediumValues, &Doc::Medium},
    {kDocCtlValueType, kValueTypes, &Doc::ValueType},
    {kDocCtlValueMethod, kValueMethods, &Doc::ValueMethod},
};

constexpr int kITunesFields[] = {
    kDocCtlITunesAuthor, kDocCtlITunesSubTitle,  kDocCtlITunesSummary, kDocCtlITunesKeyword,
    kDocCtlITunesMail,   kDocCtlITunesOwnerName, kDocCtlDirCategory,   kDocCtlDirSubCategory,
    kDocCtlDirExplicit,  kDocCtlDirType,         kDocCtlDirNewFeedUrl, kDocCtlDirBlock,
    kDocCtlDirComplete};
constexpr int kPodcastFields[] = {kDocCtlPodcastLocked,     kDocCtlPodcastLockedOwner,
                                  kDocCtlPodcastFundingUrl, kDocCtlPodcastFundingText,
                                  kDocCtlPodcastGuid,       kDocCtlBlocks,
                                  kDocCtlBlockAdd,          kDocCtlBlockDelete,
                                  kDocCtlBlockUp,           kDocCtlBlockDown};

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
                                {kDocCtlDirComplete, &Doc::iTunesComplete},
                                {kDocCtlS3PathStyle, &Doc::S3PathStyle},
                                {kDocCtlNotifyDirectories, &Doc::NotifyDirectories},
                                {kDocCtlUpdateComplete, &Doc::UpdateFrequencyComplete}};

struct FlagBox {
    int number;
    int bit;
};

constexpr FlagBox kFlagBoxes[] = {{kDocCtlAutoLastBuildDate, kAutoLastBuildDate},
                                  {kDocCtlITunesInclude, kITunesInclude},
                                  {kDocCtlSpecialChar, qp::kDocSpecialChar},
                                  {kDocCtlPodcastInclude, kPodcastInclude}};

// The columns' starting widths, widened in proportion to fill the table the window gives them.
void spread_columns(QTreeWidget* tree, std::span<const ListColumn> columns) {
    int sum = 0;
    for (const ListColumn& c : columns)
        sum += c.width;
    const int room = tree->width() - 2 * tree->frameWidth() -
                     tree->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    if (sum <= 0 || room <= sum)
        return;
    for (std::size_t i = 0; i < columns.size(); ++i)
        tree->header()->resizeSection(static_cast<int>(i), columns[i].width * room / sum);
}

// A spin field keeps its range, widened to the stored value so that an untouched field gives
// back what it got instead of silently clamping it.
void set_spin(QSpinBox* spin, int low, int high, int value) {
    spin->setRange(std::min(low, value), std::max(high, value));
    spin->setValue(value);
}

} // namespace

DocWindow::DocWindow(QWidget* parent, Texts& texts, const Doc& doc, FilePicker* files,
                     Requester* requester)
    : PropertyDialog(parent, texts, kWidth), file_name_(doc.FileName), files_(files),
      requester_(requester) {
    setWindowTitle(to_q(texts.get("Doc.Title")));
    setProperty("windowId", kDocWindowId);
    build();
    load(doc);
    update_enabling();
    panel()->setCurrentIndex(kDocPageDesc);
    control<QLineEdit>(kDocCtlTitle)->setFocus();
}

void DocWindow::build() {
    build_panel(kDocCtlPanel, kPages);
    date_ = control<DateField>(kDocCtlLastBuildDate);
    for (const int number :
         {kDocCtlAutoLastBuildDate, kDocCtlITunesInclude, kDocCtlPodcastInclude}) {
        connect(control<QCheckBox>(number), &QCheckBox::toggled, this, &DocWindow::update_enabling);
    }
    for (const int number : {kDocCtlPodcastGuid, kDocCtlRssFile, kDocCtlFeedAddress})
        control<QLineEdit>(number)->setReadOnly(true);
    control<QPlainTextEdit>(kDocCtlKeptXml)->setReadOnly(true);
    fill_page_below(kDocCtlKeptXml);
    connect(control<QPushButton>(kDocCtlImageBrowse), &QPushButton::clicked, this,
            &DocWindow::browse_image);
    // The table's number is followed by its add, delete, up and down buttons'.
    const auto table = [this](int number, std::span<const ListColumn> columns) {
        auto* made =
            new ListTable(control<QTreeWidget>(number), columns, texts(),
                          control<QPushButton>(number + 1), control<QPushButton>(number + 2),
                          control<QPushButton>(number + 3), control<QPushButton>(number + 4));
        spread_columns(made->tree(), columns);
        return made;
    };
    persons_ = table(kDocCtlPersons, ListRows<Person>::columns());
    trailers_ = table(kDocCtlTrailers, ListRows<Trailer>::columns());
    feed_texts_ = table(kDocCtlTexts, ListRows<FeedText>::columns());
    blocks_ = table(kDocCtlBlocks, ListRows<ServiceBlock>::columns());
    podroll_ = table(kDocCtlPodroll, ListRows<RemoteItem>::columns());
    recipients_ = table(kDocCtlRecipients, ListRows<ValueRecipient>::columns());
    propose_person_values(*persons_);
    blocks_->propose(0, kBlockServices);
    podroll_->propose(4, kMediumValues);
    recipients_->propose(1, kRecipientTypes);
    for (const OfferField& o : kOfferFields) {
        auto* box = control<QComboBox>(o.number);
        for (const std::string_view value : o.offers)
            box->addItem(to_q(value));
    }
    // Left empty, payments go by the first network and method.
    control<QComboBox>(kDocCtlValueType)->lineEdit()->setPlaceholderText(to_q(kValueTypes[0]));
    control<QComboBox>(kDocCtlValueMethod)->lineEdit()->setPlaceholderText(to_q(kValueMethods[0]));
}

void DocWindow::load(const Doc& doc) {
    for (const TextField& t : kTextFields) {
        auto* edit = control<QLineEdit>(t.number);
        edit->setText(to_q(doc.*t.field));
        edit->setCursorPosition(0); // a long text shows its beginning
    }
    control<QLineEdit>(kDocCtlFtpPort)->setText(QString::number(doc.Port));
    control<QPlainTextEdit>(kDocCtlKeptXml)->setPlainText(to_q(doc.ExtraXml));
    auto* protocol = control<QComboBox>(kDocCtlFtpProtocol);
    for (const ProtocolItem& item : kChannelProtocols)
        protocol->addItem(to_q(texts().get(item.key)), protocol_number(item.value));
    // A value no program wrote publishes as FTPS, so it is shown as FTPS.
    shown_protocol_ = protocol_from_number(protocol_number(doc.Protocol));
    ItemToCombo_ByData(protocol, protocol_number(shown_protocol_), ComboMissing::SelectFirst);
    connect(protocol, &QComboBox::currentIndexChanged, this, &DocWindow::protocol_changed);
    control<QLineEdit>(kDocCtlCacheFeed)->setPlaceholderText(to_q(kCacheFeedDefault));
    control<QLineEdit>(kDocCtlCacheMedia)->setPlaceholderText(to_q(kCacheMediaDefault));
    control<QLineEdit>(kDocCtlS3Region)->setPlaceholderText(QStringLiteral("us-east-1"));
    update_protocol_fields();
    set_spin(control<QSpinBox>(kDocCtlMaxFeed), 2, 200, doc.MaxFeed);
    set_spin(control<QSpinBox>(kDocCtlTTL), 1, 2000, doc.TTL);
    date_->set_value(doc.LastBuildDate);
    for (const FlagBox& box : kFlagBoxes)
        control<QCheckBox>(box.number)->setChecked((doc.Flag & box.bit) != 0);
    for (const IntBox& box : kIntBoxes)
        control<QCheckBox>(box.number)->setChecked(doc.*box.field != 0);
    for (const ChoiceField& c : kChoiceFields)
        combo_set_choices(control<QComboBox>(c.number), c.choices, texts(), doc.*c.field);

    auto* category = control<QComboBox>(kDocCtlDirCategory);
    combo_set_choices(category, channel_category_choices(), texts(), doc.iTunesCategory);
    combo_set_choices(control<QComboBox>(kDocCtlDirSubCategory),
                      channel_sub_category_choices(doc.iTunesCategory), texts(),
                      doc.iTunesSubCategory);
    // Connected once loaded, so the stored subcategory is not refilled away.
    connect(category, &QComboBox::currentIndexChanged, this, &DocWindow::refill_sub_categories);
    for (const int number : {kDocCtlBaseLink, kDocCtlRssName})
        connect(control<QLineEdit>(number), &QLineEdit::textChanged, this,
                &DocWindow::update_addresses);
    update_addresses();
    connect(control<QLineEdit>(kDocCtlImageFile), &QLineEdit::textChanged, this,
            &DocWindow::update_image_info);
    update_image_info();
    control<QCheckBox>(kDocCtlPublishProject)->setChecked(doc.ProjectPrivate == 0);
    for (const OfferField& o : kOfferFields)
        control<QComboBox>(o.number)->setCurrentText(to_q(doc.*o.field));
    persons_->set(doc.Persons);
    trailers_->set(doc.Trailers);
    feed_texts_->set(doc.Texts);
    blocks_->set(doc.Blocks);
    podroll_->set(doc.Podroll);
    recipients_->set(doc.ValueRecipients);

    auto* format = control<QComboBox>(kDocCtlFormat);
    ItemToCombo(format, to_q(kFormatRssV2), 0, kComboNoCase + kComboAppend);
    // A format read from a file without one is shown as the format it will be stored with.
    if (!doc.Format.empty())
        ItemToCombo(format, to_q(doc.Format), 0, kComboNoCase + kComboAppend);

    auto* lang = control<QComboBox>(kDocCtlLang);
    for (const std::string_view code : kChannelLanguages)
        ItemToCombo(lang, to_q(code), 0, kComboNoCase + kComboAppend);
    ItemToCombo(lang, to_q(doc.Lang), 0, kComboNoCase + kComboAppend);

    auto* zone = control<QComboBox>(kDocCtlTimeZone);
    for (const TimeZoneItem& item : time_zone_items())
        ItemToCombo(zone, to_q(item.text), item.value, kComboNoCase + kComboAppend);
    ItemToCombo_ByData(zone, doc.TimeZone, ComboMissing::SelectFirst);
}

void DocWindow::update_enabling() {
    const bool itunes = control<QCheckBox>(kDocCtlITunesInclude)->isChecked();
    for (const int number : kITunesFields)
        control<QWidget>(number)->setEnabled(itunes);
    const bool podcast = control<QCheckBox>(kDocCtlPodcastInclude)->isChecked();
    for (const int number : kPodcastFields)
        control<QWidget>(number)->setEnabled(podcast);
    for (const int page : kNamespacePages)
        panel()->widget(page)->setEnabled(podcast);
    date_->setEnabled(!control<QCheckBox>(kDocCtlAutoLastBuildDate)->isChecked());
}

void DocWindow::refill_sub_categories() {
    auto* sub = control<QComboBox>(kDocCtlDirSubCategory);
    const std::vector<ChoiceItem> choices =
        channel_sub_category_choices(combo_choice_value(control<QComboBox>(kDocCtlDirCategory)));
    std::string kept = combo_choice_value(sub);
    if (std::none_of(choices.begin(), choices.end(),
                     [&](const ChoiceItem& c) { return c.value == kept; }))
        kept.clear();
    combo_set_choices(sub, choices, texts(), kept);
}

Doc DocWindow::typed_names() const {
    Doc scratch;
    scratch.FileName = file_name_;
    scratch.Link = from_q(control<QLineEdit>(kDocCtlBaseLink)->text());
    scratch.RssName = from_q(control<QLineEdit>(kDocCtlRssName)->text());
    scratch.ImageFile = from_q(control<QLineEdit>(kDocCtlImageFile)->text());
    channel_clean_typed(scratch); // as OK would store them
    return scratch;
}

void DocWindow::update_addresses() {
    const Doc scratch = typed_names();
    const std::pair<int, std::string> shown[] = {
        {kDocCtlRssFile, Rss_FileName(scratch)},
        {kDocCtlFeedAddress, channel_public_link(scratch)},
        {kDocCtlPodcastGuid, channel_podcast_guid(scratch)}};
    for (const auto& [number, text] : shown) {
        auto* field = control<QLineEdit>(number);
        field->setText(to_q(text));
        field->setCursorPosition(0);
    }
}

void DocWindow::update_image_info() {
    const Doc scratch = typed_names();
    QString info;
    if (!scratch.ImageFile.empty()) {
        const ImageFileHeader file = image_file_header(channel_image_local(scratch));
        const ImageHeader& h = file.header;
        if (file.error.empty() && h.format != ImageFormat::Unknown && h.width > 0)
            info = to_q(texts().get("Doc\\Image.Info",
                                    {h.format == ImageFormat::Png ? "PNG" : "JPEG",
                                     std::to_string(h.width), std::to_string(h.height)}));
        else
            info = to_q(texts().get("Doc\\Image.Unreadable"));
    }
    control<QLabel>(kDocCtlImageInfo)->setText(info);
}

void DocWindow::browse_image() {
    auto* field = control<QLineEdit>(kDocCtlImageFile);
    const std::string current = channel_image_local(typed_names());
    const QString start = to_q(current.empty() ? folder_part(file_name_) : current);
    const QString title = to_q(texts().get("Doc\\Image.File"));
    const QString filter = to_q(texts().get("Doc\\Image.Filter"));
    DialogFilePicker dialogs;
    FilePicker& picker = files_ != nullptr ? *files_ : dialogs;
    const QString chosen = picker.open_file(this, title, start, filter);
    if (!chosen.isEmpty())
        field->setText(chosen);
}

void DocWindow::protocol_changed() {
    const Protocol chosen =
        protocol_from_number(control<QComboBox>(kDocCtlFtpProtocol)->currentData().toInt());
    auto* port = control<QLineEdit>(kDocCtlFtpPort);
    port->setText(QString::number(protocol_proposed_port(
        shown_protocol_, chosen, parse_leading_int32(from_q(port->text())))));
    shown_protocol_ = chosen;
    update_protocol_fields();
}

void DocWindow::update_protocol_fields() {
    const Protocol chosen = shown_protocol_;
    const bool store = chosen == Protocol::S3;
    for (const int number : {kDocCtlS3Region, kDocCtlS3Bucket, kDocCtlS3PathStyle, kDocCtlCacheFeed,
                             kDocCtlCacheMedia})
        control<QWidget>(number)->setEnabled(store);
    control<QWidget>(kDocCtlFtpPort)->setEnabled(!protocol_uses_address(chosen));
    const AccountLabels keys = account_labels(chosen);
    const std::pair<int, std::string_view> names[] = {{kDocCtlFtpClient, keys.server},
                                                      {kDocCtlFtpUser, keys.user},
                                                      {kDocCtlFtpPath, keys.folder}};
    for (const auto& [number, key] : names)
        set_label_of(*this, control<QWidget>(number), to_q(texts().get(key)));
}

void DocWindow::store(Doc& doc) const {
    for (const TextField& t : kTextFields)
        doc.*t.field = from_q(control<QLineEdit>(t.number)->text());
    doc.Lang = from_q(control<QComboBox>(kDocCtlLang)->currentText());
    for (const ChoiceField& c : kChoiceFields)
        doc.*c.field = combo_choice_value(control<QComboBox>(c.number));
    doc.iTunesCategory = combo_choice_value(control<QComboBox>(kDocCtlDirCategory));
    doc.iTunesSubCategory = combo_choice_value(control<QComboBox>(kDocCtlDirSubCategory));
    for (const IntBox& box : kIntBoxes)
        doc.*box.field = control<QCheckBox>(box.number)->isChecked() ? 1 : 0;
    for (const OfferField& o : kOfferFields)
        doc.*o.field = from_q(control<QComboBox>(o.number)->currentText());
    doc.Persons = persons_->entries<Person>();
    doc.Trailers = trailers_->entries<Trailer>();
    doc.Texts = feed_texts_->entries<FeedText>();
    doc.Blocks = blocks_->entries<ServiceBlock>();
    doc.Podroll = podroll_->entries<RemoteItem>();
    doc.ValueRecipients = recipients_->entries<ValueRecipient>();
    doc.ProjectPrivate = control<QCheckBox>(kDocCtlPublishProject)->isChecked() ? 0 : 1;
    channel_clean_typed(doc);
    doc.PathFTP = net::FTP_FolderPart(doc.PathFTP, true);
    doc.Port = parse_leading_int32(from_q(control<QLineEdit>(kDocCtlFtpPort)->text()));
    doc.Protocol =
        protocol_from_number(control<QComboBox>(kDocCtlFtpProtocol)->currentData().toInt());

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

bool DocWindow::validate() {
    const std::pair<ListTable*, int> tables[] = {
        {persons_, kDocPagePeople},     {blocks_, kDocPageDirectory},
        {feed_texts_, kDocPageLicense}, {trailers_, kDocPagePromotion},
        {podroll_, kDocPagePromotion},  {recipients_, kDocPagePayments}};
    for (const auto& [table, page] : tables) {
        const std::string message = table->bad_cell_message();
        if (message.empty())
            continue;
        panel()->setCurrentIndex(page);
        table->tree()->setFocus();
        MessageRequester dialogs(texts(), this);
        Requester& requester = requester_ != nullptr ? *requester_ : dialogs;
        requester.RequestMessage(to_q(texts().get("Msg.Error")), to_q(message), RequestButtons::Ok,
                                 this);
        return false;
    }
    return true;
}

bool DocWindow_Open(QWidget* main_window, Texts& texts, Doc& doc, FilePicker* files,
                    Requester* requester) {
    const QPointer<QWidget> focused = Window_Disable(main_window);
    bool confirmed = false;
    {
        DocWindow window(main_window, texts, doc, files, requester);
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
