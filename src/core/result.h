// Errors as results: what went wrong as a kind that code and tests compare, and as the text the
// user reads. No exception crosses a layer; a function that can fail returns a Result.
#pragma once

#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>

namespace qp {

enum class ErrorKind {
    Failed,          // no kind of its own: the text says it all
    NotFound,        // a file, folder or remote object that is not there
    ReadOnly,        // the place cannot be written: permissions, a read-only file system
    NoSpace,         // the disk or the quota is full
    NotAProject,     // a file that is not a project of this program
    BadInput,        // a file or an answer that cannot be read as what it claims to be
    TooLarge,        // over a size limit the program sets
    Unreachable,     // the host name is unknown or nothing answers on the port
    AuthRefused,     // the server refused the user name, password or key
    IdentityChanged, // the server's key or certificate differs from the one trusted before
    Unverified,      // the server's identity cannot be verified and was not accepted
    NameMismatch,    // the certificate is valid but for another host name
    Refused,         // the server answered a command with an error
    Cancelled,       // the user cancelled
    Timeout,         // a time limit ran out
};

struct Error {
    ErrorKind kind = ErrorKind::Failed;
    std::string text;

    friend bool operator==(const Error&, const Error&) = default;
};

// Either a value or an Error; Result<void> is success or an Error.
template <class T> class [[nodiscard]] Result {
public:
    // NOLINTNEXTLINE(google-explicit-constructor): a value converts to its success
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    // NOLINTNEXTLINE(google-explicit-constructor): an Error converts to its failure
    Result(Error error) : state_(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() & { return std::get<0>(state_); }
    const T& value() const& { return std::get<0>(state_); }
    T&& value() && { return std::get<0>(std::move(state_)); }
    // The value, or fallback on failure.
    T value_or(T fallback) && { return ok() ? std::move(value()) : std::move(fallback); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

    // Only on failure.
    const Error& error() const { return std::get<1>(state_); }
    // Failed-safe readers for callers that only show or compare.
    ErrorKind kind() const { return ok() ? ErrorKind::Failed : error().kind; }
    const std::string& error_text() const {
        static const std::string none;
        return ok() ? none : error().text;
    }

private:
    std::variant<T, Error> state_;
};

template <> class [[nodiscard]] Result<void> {
public:
    Result() = default;
    // NOLINTNEXTLINE(google-explicit-constructor): an Error converts to its failure
    Result(Error error) : error_(std::move(error)) {}

    bool ok() const { return !error_; }
    explicit operator bool() const { return ok(); }

    // Only on failure.
    const Error& error() const { return *error_; }
    ErrorKind kind() const { return error_ ? error_->kind : ErrorKind::Failed; }
    const std::string& error_text() const {
        static const std::string none;
        return error_ ? error_->text : none;
    }

private:
    std::optional<Error> error_;
};

using Status = Result<void>;

inline Error make_error(ErrorKind kind, std::string text) {
    return Error{kind, std::move(text)};
}

} // namespace qp
