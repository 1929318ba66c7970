// The document window (window 1500): the channel settings of one document on its pages, General,
// Description, iTunes, the podcast directories, the podcast namespace, Image, FTP, then the
// namespace's people and place, license, promotion (trailers and podroll) and payments.
// Every value is cleaned as it is stored; only a table cell that does not read keeps OK back.
#pragma once

#include "core/document.h"
#include "ui/common/property_dialog.h"

namespace qp {
class Texts;
}

namespace qp::ui {

class DateField;
class FilePicker;
class ListTable;
class Requester;

inline constexpr int kDocWindowId = 1500;

// The window's controls, by number.
enum DocControl : int {
    kDocCtlPanel = 1501,
    kDocCtlFormat,
    kDocCtlBaseLink,
    kDocCtlRssName,
    kDocCtlAutoLastBuildDate,
    kDocCtlLastBuildDate,
    kDocCtlFormatDate,
    kDocCtlTimeZone,
    kDocCtlMaxFeed,
    kDocCtlTTL,
    kDocCtlSpecialChar,
    kDocCtlTitle,
    kDocCtlDesc,
    kDocCtlCopyright,
    kDocCtlWebMaster,
    kDocCtlLang,
    kDocCtlCategory,
    kDocCtlITunesInclude,
    kDocCtlITunesAuthor,
    kDocCtlITunesSubTitle,
    kDocCtlITunesSummary,
    kDocCtlITunesKeyword,
    kDocCtlITunesMail,
    kDocCtlImageUrl,
    kDocCtlImageTitle,
    kDocCtlImageLink,
    kDocCtlFtpClient,
    kDocCtlFtpUser,
    kDocCtlFtpPort,
    kDocCtlFtpPath,
    kDocCtlITunesOwnerName,
    kDocCtlDirCategory,
    kDocCtlDirSubCategory,
    kDocCtlDirExplicit,
    kDocCtlDirType,
    kDocCtlDirNewFeedUrl,
    kDocCtlDirBlock,
    kDocCtlDirComplete,
    kDocCtlPodcastInclude,
    kDocCtlPodcastLocked,
    kDocCtlPodcastLockedOwner,
    kDocCtlPodcastFundingUrl,
    kDocCtlPodcastFundingText,
    kDocCtlPodcastGuid,
    kDocCtlKeptXml, // what an imported feed held that the program does not edit, as it stands
    kDocCtlFtpProtocol,
    kDocCtlRssFile,
    kDocCtlFeedAddress,
    kDocCtlImageFile,
    kDocCtlImageBrowse,
    kDocCtlImageInfo,
    kDocCtlPublishProject,
    kDocCtlS3Region,
    kDocCtlS3Bucket,
    kDocCtlS3PathStyle,
    kDocCtlCacheFeed,
    kDocCtlCacheMedia,
    kDocCtlWebSubHub,
    kDocCtlNotifyDirectories,
    kDocCtlMeasurePrefix,
    // Each table is followed by its add, delete, up and down buttons, in that order.
    kDocCtlPersons,
    kDocCtlPersonAdd,
    kDocCtlPersonDelete,
    kDocCtlPersonUp,
    kDocCtlPersonDown,
    kDocCtlLocation,
    kDocCtlLocationGeo,
    kDocCtlLocationOsm,
    kDocCtlTrailers,
    kDocCtlTrailerAdd,
    kDocCtlTrailerDelete,
    kDocCtlTrailerUp,
    kDocCtlTrailerDown,
    kDocCtlLicense,
    kDocCtlLicenseUrl,
    kDocCtlMedium,
    kDocCtlUpdateFrequency,
    kDocCtlUpdateRule,
    kDocCtlUpdateStart,
    kDocCtlUpdateComplete,
    kDocCtlTexts,
    kDocCtlTextAdd,
    kDocCtlTextDelete,
    kDocCtlTextUp,
    kDocCtlTextDown,
    kDocCtlBlocks,
    kDocCtlBlockAdd,
    kDocCtlBlockDelete,
    kDocCtlBlockUp,
    kDocCtlBlockDown,
    kDocCtlPodroll,
    kDocCtlPodrollAdd,
    kDocCtlPodrollDelete,
    kDocCtlPodrollUp,
    kDocCtlPodrollDown,
    kDocCtlValueType,
    kDocCtlValueMethod,
    kDocCtlValueSuggested,
    kDocCtlRecipients,
    kDocCtlRecipientAdd,
    kDocCtlRecipientDelete,
    kDocCtlRecipientUp,
    kDocCtlRecipientDown,
};

// The pages, in their order.
enum DocPage : int {
    kDocPageGeneral,
    kDocPageDesc, // the page the window opens on
    kDocPageITunes,
    kDocPageDirectory,
    kDocPagePodcast,
    kDocPageImage,
    kDocPageFtp,
    kDocPagePeople,
    kDocPageLicense,
    kDocPagePromotion,
    kDocPagePayments,
};

class DocWindow final : public PropertyDialog {
public:
    // Loaded from doc, on the description page with the focus in the title. files chooses the
    // image file and requester tells why OK is refused; without them, the program's dialogs do.
    DocWindow(QWidget* parent, Texts& texts, const Doc& doc, FilePicker* files = nullptr,
              Requester* requester = nullptr);

    // Writes every field into doc, cleaned; the feeds and the file name are left alone.
    void store(Doc& doc) const;
    DateField* date_field() const { return date_; }

protected:
    // A table cell that does not read shows its page, is made current and named to the user.
    bool validate() override;

private:
    void build();
    void load(const Doc& doc);
    // The iTunes and directory fields follow the iTunes box, the namespace fields theirs, the
    // date field the automatic date's box.
    void update_enabling();
    // Offers the subcategories of the chosen category, keeping the chosen one where it fits.
    void refill_sub_categories();
    // What the link, file name and FTP folder fields give: the RSS file name, the feed's public
    // address and the GUID made from it.
    void update_addresses();
    // The kind and size of the chosen image file, or why it cannot be read.
    void update_image_info();
    void browse_image();
    // The document as the fields that name files would store it.
    Doc typed_names() const;
    // Proposes the new protocol's port when the port was the old one's, and names the account's
    // fields as the protocol calls them.
    void protocol_changed();
    // The store's fields follow the protocol.
    void update_protocol_fields();

    DateField* date_ = nullptr;
    Protocol shown_protocol_ = Protocol::Ftp;
    std::string file_name_; // the project's, for an RSS file named after it
    FilePicker* files_ = nullptr;
    Requester* requester_ = nullptr;
    ListTable* persons_ = nullptr;
    ListTable* trailers_ = nullptr;
    ListTable* feed_texts_ = nullptr;
    ListTable* blocks_ = nullptr;
    ListTable* podroll_ = nullptr;
    ListTable* recipients_ = nullptr;
};

// Edits doc's channel settings in a modal window over main_window, which is disabled meanwhile.
// True when the user confirmed: doc then holds the new settings. Otherwise doc is unchanged.
[[nodiscard]] bool DocWindow_Open(QWidget* main_window, Texts& texts, Doc& doc,
                                  FilePicker* files = nullptr, Requester* requester = nullptr);

} // namespace qp::ui
