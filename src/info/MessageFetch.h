#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>

namespace trx {

// Limits of the message-file request: a dead or slow network must not keep
// the check alive for more than a few seconds, and a wrong address must not
// load a large file.
inline constexpr std::chrono::milliseconds kFetchConnectTimeout{3000};
inline constexpr std::chrono::milliseconds kFetchTotalTimeout{5000};
inline constexpr std::size_t kMaxMessageFileBytes = 64 * 1024;
inline constexpr long kMaxFetchRedirects = 5;

// The outcome of one request: the body, or why there is none.
struct FetchResult {
    std::optional<std::string> Body;
    std::string Failure;

    [[nodiscard]] bool Succeeded() const { return Body.has_value(); }
};

// One HTTP/1.1 GET of url with the check's Accept header and user agent,
// following at most kMaxFetchRedirects redirects over http and https only.
// An HTTP error status, a timeout, a body over kMaxMessageFileBytes and any
// other failure of the transfer give no body. Blocks for at most
// kFetchTotalTimeout; safe to call from any thread.
[[nodiscard]] FetchResult FetchMessageFile(const std::string& url);

} // namespace trx
