// How the files reach the server: one list for the document, the windows and the connection.
#pragma once

namespace qp {

// The numbers are those the project file stores and the windows' lists carry.
enum class Protocol { Ftp = 0, Ftps = 1, Sftp = 2 };

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
    default:
        return Protocol::Ftps;
    }
}

} // namespace qp
