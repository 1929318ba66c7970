#include "ui/dialogs/trust_prompt.h"

#include "core/texts.h"
#include "ui/common/qt_text.h"
#include "ui/context/app_context.h"
#include "ui/context/seams.h"

#include <QApplication>
#include <QThread>

#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

namespace qp::ui {

namespace {

// How often a waiting session looks whether its job was cancelled.
constexpr auto kCancelLook = std::chrono::milliseconds(100);
// Pairs of a certificate fingerprint per line, and characters of an SSH one.
constexpr std::size_t kPairsPerLine = 8;
constexpr std::size_t kCharsPerLine = 26;

// The accepted fingerprints as the sessions see them: a copy of the preferences' list, kept
// under a lock because the sessions read it on their own threads.
struct Store {
    std::mutex mutex;
    std::map<std::string, std::string, std::less<>> accepted;

    void set(const std::string& server, const std::string* fingerprint) {
        const std::scoped_lock lock(mutex);
        if (fingerprint != nullptr)
            accepted.insert_or_assign(server, *fingerprint);
        else
            accepted.erase(server);
    }
};

// One question on its way to the window thread and back.
struct Pending {
    std::mutex mutex;
    std::condition_variable answered;
    std::optional<net::TrustDecision> decision;
    bool abandoned = false; // the session stopped waiting: the question is not shown
};

QWidget* owner() {
    QWidget* modal = QApplication::activeModalWidget();
    return modal != nullptr ? modal : QApplication::activeWindow();
}

// The people and places a question needs; they outlive the connections.
struct Window {
    Requester& requester;
    Texts& texts;
    Preferences& prefs;
    std::shared_ptr<Store> store;
};

net::TrustDecision ask(const Window& on, const net::TrustQuestion& q) {
    Texts& texts = on.texts;
    const std::string text = texts.get(
        "FTP\\Trust.Question", {q.server, q.reason, trust_fingerprint_lines(q.fingerprint)});
    const RequestAnswer answer = on.requester.RequestMessage(
        to_q(texts.get("FTP\\Trust.Title")), to_q(text), RequestButtons::YesNoDefaultNo, owner());
    if (answer != RequestAnswer::Yes)
        return net::TrustDecision::Refuse;
    on.prefs.trust_remember(q.server, q.fingerprint);
    on.store->set(q.server, &q.fingerprint);
    // Kept even if the program ends abruptly; the user hears when it cannot be.
    (void)settings_save(on.prefs, texts, on.requester, false, owner());
    return net::TrustDecision::AcceptOnce;
}

void warn(const Window& on, const net::TrustQuestion& w) {
    Texts& texts = on.texts;
    Preferences& prefs = on.prefs;
    std::string text =
        texts.get("FTP\\Trust.Changed", {w.server, trust_fingerprint_lines(w.fingerprint),
                                         trust_fingerprint_lines(w.before)});
    const auto stored = prefs.trusted().find(w.server);
    const bool forgettable = stored != prefs.trusted().end() && stored->second == w.before;
    if (!forgettable) { // a key of known_hosts is the user's own file to mend
        on.requester.RequestMessage(to_q(texts.get("Msg.Warning")), to_q(text), RequestButtons::Ok,
                                    owner());
        return;
    }
    text += "\n\n" + texts.get("FTP\\Trust.Forget");
    if (on.requester.RequestMessage(to_q(texts.get("Msg.Warning")), to_q(text),
                                    RequestButtons::YesNoDefaultNo,
                                    owner()) == RequestAnswer::Yes) {
        prefs.trust_forget(w.server);
        on.store->set(w.server, nullptr);
        (void)settings_save(prefs, texts, on.requester, false, owner());
    }
}

bool on_window_thread() {
    return QThread::currentThread() == qApp->thread();
}

} // namespace

std::string trust_fingerprint_lines(const std::string& fingerprint) {
    const bool hex = fingerprint.find(':') != std::string::npos &&
                     fingerprint.find_first_not_of("0123456789ABCDEFabcdef:") == std::string::npos;
    std::string out;
    if (hex) {
        std::size_t pairs = 0;
        for (const char c : fingerprint) {
            out += c;
            if (c == ':' && ++pairs % kPairsPerLine == 0)
                out += '\n';
        }
        return out;
    }
    for (std::size_t at = 0; at < fingerprint.size(); at += kCharsPerLine) {
        if (at != 0)
            out += '\n';
        out.append(fingerprint, at, kCharsPerLine);
    }
    return out;
}

net::TrustSettings trust_window_settings(Requester& requester, Texts& texts, Preferences& prefs) {
    const Window on{requester, texts, prefs, std::make_shared<Store>()};
    on.store->accepted = prefs.trusted();
    net::TrustSettings trust;
    trust.recall = [store = on.store](const std::string& server) -> std::optional<std::string> {
        const std::scoped_lock lock(store->mutex);
        const auto found = store->accepted.find(server);
        return found == store->accepted.end() ? std::nullopt : std::optional(found->second);
    };
    trust.prompt = [on](const net::TrustQuestion& q) {
        if (on_window_thread())
            return ask(on, q);
        auto pending = std::make_shared<Pending>();
        QMetaObject::invokeMethod(
            qApp,
            [pending, q, on] {
                {
                    const std::scoped_lock lock(pending->mutex);
                    if (pending->abandoned)
                        return;
                }
                const net::TrustDecision decision = ask(on, q);
                const std::scoped_lock lock(pending->mutex);
                pending->decision = decision;
                pending->answered.notify_all();
            },
            Qt::QueuedConnection);
        // The window may close meanwhile: its job's cancel ends the wait, and the question is
        // then never shown, or its answer is dropped.
        std::unique_lock lock(pending->mutex);
        while (!pending->decision) {
            if (q.cancel != nullptr && q.cancel->load()) {
                pending->abandoned = true;
                return net::TrustDecision::Refuse;
            }
            pending->answered.wait_for(lock, kCancelLook);
        }
        return *pending->decision;
    };
    trust.warn = [on](const net::TrustQuestion& w) {
        if (on_window_thread()) {
            warn(on, w);
            return;
        }
        // The session is refused whatever the user reads: it does not wait for the box.
        QMetaObject::invokeMethod(
            qApp, [w, on] { warn(on, w); }, Qt::QueuedConnection);
    };
    return trust;
}

} // namespace qp::ui
