// How the files reach the server: one list for the document, the windows and the connection.
#pragma once

namespace qp {

// The numbers are those the project file stores and the windows' lists carry.
enum class Protocol { Ftp = 0, Ftps = 1, Sftp = 2 };

constexpr int Protocol_Number(Protocol protocol) {
    return static_cast<int>(protocol);
}

// The protocol of a stored number. A number no program wrote is taken as FTPS: a damaged project
// never sends the password in the clear.
constexpr Protocol Protocol_FromNumber(int value) {
    switch (value) {
    case Protocol_Number(Protocol::Ftp):
        return Protocol::Ftp;
    case Protocol_Number(Protocol::Sftp):
        return Protocol::Sftp;
    default:
        return Protocol::Ftps;
    }
}

} // namespace qp
