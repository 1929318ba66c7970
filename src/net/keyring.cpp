#include "net/keyring.h"

#include <curl/curl.h>
#include <libsecret/secret.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>

namespace qp::net {

namespace {

const SecretSchema* password_schema() {
    static const SecretSchema schema = [] {
        SecretSchema s{};
        s.name = "org.quillpost.Password";
        s.flags = SECRET_SCHEMA_NONE;
        s.attributes[0] = {"protocol", SECRET_SCHEMA_ATTRIBUTE_STRING};
        s.attributes[1] = {"server", SECRET_SCHEMA_ATTRIBUTE_STRING};
        s.attributes[2] = {"port", SECRET_SCHEMA_ATTRIBUTE_INTEGER};
        s.attributes[3] = {"user", SECRET_SCHEMA_ATTRIBUTE_STRING};
        return s;
    }();
    return &schema;
}

// Readable in the keyring's own viewer, where the attributes show as they are.
const char* protocol_name(Protocol protocol) {
    switch (protocol) {
    case Protocol::Ftp:
        return "ftp";
    case Protocol::Ftps:
        return "ftps";
    case Protocol::Sftp:
        return "sftp";
    case Protocol::S3:
        return "s3";
    case Protocol::WebDav:
        return "webdav";
    }
    return "ftps";
}

struct GErrorFree {
    void operator()(GError* e) const { g_error_free(e); }
};
using ErrorPtr = std::unique_ptr<GError, GErrorFree>;

struct ObjectUnref {
    void operator()(gpointer o) const { g_object_unref(o); }
};
template <class T> using ObjectPtr = std::unique_ptr<T, ObjectUnref>;

struct TableUnref {
    void operator()(GHashTable* t) const { g_hash_table_unref(t); }
};
using TablePtr = std::unique_ptr<GHashTable, TableUnref>;

// The attributes of key; integers go as decimal text, as the library expects them.
TablePtr attributes_of(const KeyringKey& key) {
    TablePtr table(g_hash_table_new_full(g_str_hash, g_str_equal, nullptr, g_free));
    g_hash_table_insert(table.get(), const_cast<char*>("protocol"),
                        g_strdup(protocol_name(key.protocol)));
    g_hash_table_insert(table.get(), const_cast<char*>("server"), g_strdup(key.host.c_str()));
    g_hash_table_insert(table.get(), const_cast<char*>("port"),
                        g_strdup(std::to_string(key.port).c_str()));
    g_hash_table_insert(table.get(), const_cast<char*>("user"), g_strdup(key.user.c_str()));
    return table;
}

// Cancels the calls made with cancellable() once kKeyringWaitMs have passed: the library's calls
// over the bus wait as long as the service takes, an unlock prompt as long as the user does.
class CallBound {
public:
    CallBound() : cancellable_(g_cancellable_new()) {
        watch_ = std::thread([this] {
            std::unique_lock<std::mutex> lock(mutex_);
            if (!ended_cv_.wait_for(lock, std::chrono::milliseconds(kKeyringWaitMs),
                                    [this] { return ended_; })) {
                timed_out_ = true;
                g_cancellable_cancel(cancellable_.get());
            }
        });
    }
    ~CallBound() {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            ended_ = true;
        }
        ended_cv_.notify_one();
        watch_.join();
    }
    CallBound(const CallBound&) = delete;
    CallBound& operator=(const CallBound&) = delete;

    GCancellable* cancellable() { return cancellable_.get(); }
    bool timed_out() {
        const std::lock_guard<std::mutex> lock(mutex_);
        return timed_out_;
    }

private:
    ObjectPtr<GCancellable> cancellable_;
    std::mutex mutex_;
    std::condition_variable ended_cv_;
    bool ended_ = false;
    bool timed_out_ = false;
    std::thread watch_;
};

Error keyring_error(const GError* e, CallBound& bound) {
    const std::string said = e ? e->message : "no reason given";
    if (bound.timed_out())
        return make_error(ErrorKind::Timeout, "The keyring did not answer within " +
                                                  std::to_string(kKeyringWaitMs / 1000) + " s");
    if (e && (g_error_matches(e, G_DBUS_ERROR, G_DBUS_ERROR_SERVICE_UNKNOWN) ||
              g_error_matches(e, G_DBUS_ERROR, G_DBUS_ERROR_NAME_HAS_NO_OWNER)))
        return make_error(ErrorKind::Unreachable,
                          "No keyring service is running in this desktop session (" + said + ")");
    if (e && g_error_matches(e, SECRET_ERROR, SECRET_ERROR_IS_LOCKED))
        return make_error(ErrorKind::Refused, "The keyring is locked and could not be unlocked");
    return make_error(ErrorKind::Failed, "The keyring failed: " + said);
}

// Asked first and apart, so that a missing bus is told as such. The library shares this
// connection; by default the end of the bus would end the program with it, unsaved work and all.
Status reach_session_bus(CallBound& bound) {
    GError* raw = nullptr;
    const ObjectPtr<GDBusConnection> bus(
        g_bus_get_sync(G_BUS_TYPE_SESSION, bound.cancellable(), &raw));
    const ErrorPtr error(raw);
    if (bus) {
        g_dbus_connection_set_exit_on_close(bus.get(), FALSE);
        return {};
    }
    if (bound.timed_out())
        return keyring_error(error.get(), bound);
    return make_error(ErrorKind::Unreachable,
                      "No desktop session bus (D-Bus) is running, so there is no keyring to "
                      "keep passwords in (" +
                          std::string(error ? error->message : "no address") + ")");
}

// The keyring new secrets go to, or why there is none.
Result<ObjectPtr<SecretCollection>> default_keyring(SecretService* service, CallBound& bound) {
    GError* raw = nullptr;
    ObjectPtr<SecretCollection> collection(secret_collection_for_alias_sync(
        service, SECRET_COLLECTION_DEFAULT, SECRET_COLLECTION_NONE, bound.cancellable(), &raw));
    const ErrorPtr error(raw);
    if (error)
        return keyring_error(error.get(), bound);
    if (!collection)
        return make_error(ErrorKind::NotFound, "The keyring service has no default keyring");
    return collection;
}

} // namespace

KeyringKey keyring_key(Protocol protocol, const std::string& server, int port,
                       const std::string& user) {
    KeyringKey key{protocol, server, port, user};
    if (!protocol_uses_address(protocol))
        return key;
    key.port = 0;
    CURLU* url = curl_url();
    if (url == nullptr)
        return key;
    if (curl_url_set(url, CURLUPART_URL, server.c_str(), 0) == CURLUE_OK) {
        char* host = nullptr;
        char* number = nullptr;
        if (curl_url_get(url, CURLUPART_HOST, &host, 0) == CURLUE_OK)
            key.host = host;
        if (curl_url_get(url, CURLUPART_PORT, &number, CURLU_DEFAULT_PORT) == CURLUE_OK)
            key.port = std::atoi(number);
        curl_free(host);
        curl_free(number);
    }
    curl_url_cleanup(url);
    return key;
}

Status keyring_available() {
    CallBound bound;
    if (Status bus = reach_session_bus(bound); !bus)
        return bus;
    GError* raw = nullptr;
    ErrorPtr error;
    const ObjectPtr<SecretService> service(
        secret_service_get_sync(SECRET_SERVICE_OPEN_SESSION, bound.cancellable(), &raw));
    error.reset(raw);
    if (!service)
        return keyring_error(error.get(), bound);
    const Result<ObjectPtr<SecretCollection>> collection = default_keyring(service.get(), bound);
    if (!collection)
        return collection.error();
    if (!secret_collection_get_locked(collection->get()))
        return {};
    GList one = {collection->get(), nullptr, nullptr};
    GList* unlocked = nullptr;
    const gint count =
        secret_service_unlock_sync(service.get(), &one, bound.cancellable(), &unlocked, &raw);
    g_list_free_full(unlocked, g_object_unref);
    error.reset(raw);
    if (count > 0)
        return {};
    if (bound.timed_out())
        return keyring_error(error.get(), bound);
    return make_error(ErrorKind::Refused,
                      "The keyring is locked and could not be unlocked" +
                          (error ? " (" + std::string(error->message) + ")" : std::string()));
}

Result<std::string> keyring_read(const KeyringKey& key) {
    CallBound bound;
    if (Status bus = reach_session_bus(bound); !bus)
        return bus.error();
    const TablePtr attributes = attributes_of(key);
    GError* raw = nullptr;
    gchar* found = secret_password_lookupv_sync(password_schema(), attributes.get(),
                                                bound.cancellable(), &raw);
    const ErrorPtr error(raw);
    if (error)
        return keyring_error(error.get(), bound);
    if (!found) {
        // Also what the library answers for an item of a keyring it could not unlock.
        const ObjectPtr<SecretService> service(
            secret_service_get_sync(SECRET_SERVICE_NONE, bound.cancellable(), nullptr));
        if (service) {
            const Result<ObjectPtr<SecretCollection>> collection =
                default_keyring(service.get(), bound);
            if (collection && secret_collection_get_locked(collection->get()))
                return make_error(ErrorKind::Refused,
                                  "The keyring is locked and could not be unlocked");
        }
        return make_error(ErrorKind::NotFound,
                          "The keyring holds no password for " + key.user + "@" + key.host);
    }
    std::string secret = found;
    secret_password_free(found); // wipes the library's copy
    return secret;
}

Status keyring_store(const KeyringKey& key, const std::string& secret) {
    CallBound bound;
    if (Status bus = reach_session_bus(bound); !bus)
        return bus.error();
    const TablePtr attributes = attributes_of(key);
    const std::string label = "Quillpost: " + key.user + "@" + key.host;
    GError* raw = nullptr;
    // Storing under the same attributes replaces the item.
    const gboolean stored =
        secret_password_storev_sync(password_schema(), attributes.get(), SECRET_COLLECTION_DEFAULT,
                                    label.c_str(), secret.c_str(), bound.cancellable(), &raw);
    const ErrorPtr error(raw);
    if (!stored)
        return keyring_error(error.get(), bound);
    return {};
}

Status keyring_forget(const KeyringKey& key) {
    CallBound bound;
    if (Status bus = reach_session_bus(bound); !bus)
        return bus.error();
    const TablePtr attributes = attributes_of(key);
    GError* raw = nullptr;
    (void)secret_password_clearv_sync(password_schema(), attributes.get(), bound.cancellable(),
                                      &raw);
    const ErrorPtr error(raw);
    if (error)
        return keyring_error(error.get(), bound);
    return {};
}

} // namespace qp::net
