// How the files reach the server: one list for the document, the windows and the connection.
#pragma once

namespace qp {

// The numbers are those the project file stores and the windows' lists carry.
// S3: an S3-compatible object store; WebDav: a WebDAV share over http or https.
enum class Protocol { Ftp = 0, Ftps = 1, Sftp = 2, S3 = 3, WebDav = 4 };

constexpr int protocol_number(Protocol protocol) {
    return static_cast<int>(protocol);
}

// The protocol of a stored number. A number no program wrote is taken as FTPS: a damaged project
// never sends the password in the clear.
constexpr Protocol protocol_from_number(int value) {
    switch (value) {
    case protocol_number(Protocol::Ftp):
        return Protocol::Ftp;
    case protocol_number(Protocol::Sftp):
        return Protocol::Sftp;
    case protocol_number(Protocol::S3):
        return Protocol::S3;
    case protocol_number(Protocol::WebDav):
        return Protocol::WebDav;
    default:
        return Protocol::Ftps;
    }
}

// Whether the server is named by a web address (the S3 endpoint, the WebDAV share) rather than a
// host name and a port.
constexpr bool protocol_uses_address(Protocol protocol) {
    return protocol == Protocol::S3 || protocol == Protocol::WebDav;
}

} // namespace qp
