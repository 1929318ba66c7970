// The document window (window 1500): the channel settings of one document on seven pages,
// General, Description, iTunes, the podcast directories, the podcast namespace, Image and FTP.
// Nothing typed is refused; every value is cleaned as it is stored.
#pragma once

#include "core/document.h"
#include "ui/common/property_dialog.h"

namespace qp {
class Texts;
}

namespace qp::ui {

class DateField;
class FilePicker;

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
};

// The page the window opens on.
inline constexpr int kDocPageDesc = 1;

class DocWindow final : public PropertyDialog {
public:
    // Loaded from doc, on the description page with the focus in the title. files chooses the
    // image file; without one, the program's file dialog does.
    DocWindow(QWidget* parent, Texts& texts, const Doc& doc, FilePicker* files = nullptr);

    // Writes every field into doc, cleaned; the feeds and the file name are left alone.
    void store(Doc& doc) const;
    DateField* date_field() const { return date_; }

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
};

// Edits doc's channel settings in a modal window over main_window, which is disabled meanwhile.
// True when the user confirmed: doc then holds the new settings. Otherwise doc is unchanged.
[[nodiscard]] bool DocWindow_Open(QWidget* main_window, Texts& texts, Doc& doc,
                                  FilePicker* files = nullptr);

} // namespace qp::ui
