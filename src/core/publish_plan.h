// Where publishing puts each file and where listeners fetch it. Everything goes into one folder,
// the channel's: the feed, its artwork and the enclosures, so that the channel link, the public
// address of that folder, joined to a file's path is where the file lands.
#pragma once

#include "core/document.h"
#include "core/upload_job.h"

#include <optional>
#include <string>
#include <string_view>

namespace qp {

// The channel's folder on the server: PathFTP in folder form, "" for the root, else ending in "/".
std::string channel_folder(const Doc& doc);

// Where an enclosure goes: the item's FTP path (its folder and name, or the local file's name when
// it names only a folder) read from the channel's folder. A path that already starts with the
// channel's folder names a path from the server's root, as projects made before did.
std::string enclosure_remote_path(const Doc& doc, const Feed& feed, std::string_view local);
// The upload of an item marked for it: local is FeedFile with its placeholders resolved.
UploadEntry enclosure_upload(const Doc& doc, const Feed& feed, std::string_view local);

// The chapters file made for an item: on the server beside the enclosure (its folder, the
// enclosure's name without its extension, then ".chapters.json"), on disk in folder under the same
// name. nullopt when the item names its own chapters address, has no chapters, or has no
// enclosure on the channel's server to go beside. local is FeedFile with its placeholders
// resolved.
std::optional<UploadEntry> chapters_upload(const Doc& doc, const Feed& feed, std::string_view local,
                                           std::string_view folder);

// chapters_upload beside enclosure, the item's enclosure_upload, made once for all its files.
std::optional<UploadEntry> chapters_upload(const Feed& feed, const UploadEntry& enclosure,
                                           std::string_view folder);
// A file of this computer published beside the enclosure, such as a transcript: on the server in
// the enclosure's folder under its own name, fetched from the enclosure's address folder. nullopt
// when file names no file or the item has no enclosure on the channel's server to go beside.
// enclosure is the item's enclosure_upload; file has its placeholders resolved.
std::optional<UploadEntry> beside_enclosure_upload(const Feed& feed, const UploadEntry& enclosure,
                                                   std::string_view file, std::string_view type);

// The artwork's path as the feed writes it before the channel link: the typed image address, else
// the name of the local image file; empty when there is neither.
std::string channel_image_address(const Doc& doc);
// The local image file on disk: ImageFile, read from the project's folder when relative.
std::string channel_image_local(const Doc& doc);

} // namespace qp
