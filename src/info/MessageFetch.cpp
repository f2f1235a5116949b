#include "info/MessageFetch.h"

#include <curl/curl.h>

#include <memory>
#include <string>
#include <utility>

namespace trx {
namespace {

constexpr const char* kUserAgent = "Mozilla/3.0 (compatible; Indy Library)";
constexpr const char* kAcceptHeader = "Accept: text/html, */*";
constexpr const char* kWebProtocols = "http,https";

// libcurl's global state, set up once for the whole run before the first
// request of any thread.
class CurlLibrary {
public:
    CurlLibrary()
        : status_(curl_global_init(CURL_GLOBAL_DEFAULT)) {}
    ~CurlLibrary() {
        if (status_ == CURLE_OK) {
            curl_global_cleanup();
        }
    }
    CurlLibrary(const CurlLibrary&) = delete;
    CurlLibrary& operator=(const CurlLibrary&) = delete;

    [[nodiscard]] CURLcode Status() const { return status_; }

private:
    CURLcode status_;
};

struct EasyDeleter {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
struct ListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

// The body as it arrives; the buffer is reserved up front, so taking data
// never allocates (nothing may throw through libcurl).
struct BodySink {
    std::string Body;
    bool TooLarge = false;
};

std::size_t TakeBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* sink = static_cast<BodySink*>(user);
    const std::size_t bytes = size * count;
    if (bytes > kMaxMessageFileBytes - sink->Body.size()) {
        sink->TooLarge = true;
        return 0; // libcurl stops with CURLE_WRITE_ERROR
    }
    sink->Body.append(data, bytes);
    return bytes;
}

// Sets one option unless an earlier one failed; a request never goes out
// with a limit missing.
template <typename T>
void SetOption(CURL* curl, CURLoption option, T value, CURLcode& status) {
    if (status == CURLE_OK) {
        status = curl_easy_setopt(curl, option, value);
    }
}

FetchResult Failed(std::string why) {
    return {std::nullopt, std::move(why)};
}

} // namespace

FetchResult FetchMessageFile(const std::string& url) {
    static const CurlLibrary library;
    if (library.Status() != CURLE_OK) {
        return Failed(curl_easy_strerror(library.Status()));
    }
    const std::unique_ptr<CURL, EasyDeleter> curl(curl_easy_init());
    if (!curl) {
        return Failed("curl_easy_init failed");
    }
    const std::unique_ptr<curl_slist, ListDeleter> headers(
        curl_slist_append(nullptr, kAcceptHeader));
    if (!headers) {
        return Failed("curl_slist_append failed");
    }
    BodySink sink;
    sink.Body.reserve(kMaxMessageFileBytes);
    char errorText[CURL_ERROR_SIZE] = {};

    CURL* const handle = curl.get();
    CURLcode status = CURLE_OK;
    SetOption(handle, CURLOPT_ERRORBUFFER, errorText, status);
    SetOption(handle, CURLOPT_URL, url.c_str(), status);
    SetOption(handle, CURLOPT_PROTOCOLS_STR, kWebProtocols, status);
    SetOption(handle, CURLOPT_REDIR_PROTOCOLS_STR, kWebProtocols, status);
    SetOption(handle, CURLOPT_FOLLOWLOCATION, 1L, status);
    SetOption(handle, CURLOPT_MAXREDIRS, kMaxFetchRedirects, status);
    SetOption(handle, CURLOPT_HTTPGET, 1L, status);
    SetOption(handle, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1), status);
    SetOption(handle, CURLOPT_HTTPHEADER, headers.get(), status);
    SetOption(handle, CURLOPT_USERAGENT, kUserAgent, status);
    SetOption(handle, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(kFetchConnectTimeout.count()),
              status);
    SetOption(handle, CURLOPT_TIMEOUT_MS, static_cast<long>(kFetchTotalTimeout.count()), status);
    // Worker threads must not take signals for name-resolution timeouts.
    SetOption(handle, CURLOPT_NOSIGNAL, 1L, status);
    // An error page (404) is no message file.
    SetOption(handle, CURLOPT_FAILONERROR, 1L, status);
    // Refused at once when the announced length is over the limit; the
    // sink catches bodies without a length.
    SetOption(handle, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kMaxMessageFileBytes),
              status);
    SetOption(handle, CURLOPT_WRITEFUNCTION, &TakeBody, status);
    SetOption(handle, CURLOPT_WRITEDATA, static_cast<void*>(&sink), status);
    if (status != CURLE_OK) {
        return Failed(curl_easy_strerror(status));
    }

    status = curl_easy_perform(handle);
    if (sink.TooLarge) {
        return Failed("The message file is larger than " + std::to_string(kMaxMessageFileBytes) +
                      " bytes");
    }
    if (status != CURLE_OK) {
        return Failed(errorText[0] != '\0' ? errorText : curl_easy_strerror(status));
    }
    return {std::move(sink.Body), {}};
}

} // namespace trx
