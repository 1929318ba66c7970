// Telling the directories that a feed changed, so that they fetch it now rather than at their
// next round: a WebSub hub, and Podcast Index's notice address.
#pragma once

#include "core/result.h"

#include <atomic>
#include <string>

namespace qp::net {

inline constexpr const char* kPodcastIndexNotify =
    "https://api.podcastindex.org/api/1.0/hub/pubnotify";

struct NotifyOptions {
    long timeout_ms = 30000; // for the whole request
    const std::atomic<bool>* cancel = nullptr;
};

// POSTs "hub.mode=publish&hub.url=FEED" to the hub. A 2xx answer gives a line for the log
// ("HUB answered 204"); any other status fails with Refused, telling the status and the start of
// the answer. BadInput for a hub that is not an http(s) address; Timeout, Unreachable,
// Unverified, Cancelled as their names say.
Result<std::string> websub_publish(const std::string& hub, const std::string& feed_url,
                                   const NotifyOptions& options = {});

// GETs BASE?url=FEED, reporting as websub_publish does.
Result<std::string> podcast_index_notify(const std::string& feed_url,
                                         const std::string& base = kPodcastIndexNotify,
                                         const NotifyOptions& options = {});

} // namespace qp::net
