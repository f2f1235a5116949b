#include "info/UpdateServer.h"

#include "UpdateServerConfig.h"

#include <algorithm>
#include <cctype>

namespace trx {

MessageLocation BuiltInMessageLocation() {
    return {TREMOLUNDRIX_UPDATE_HOST, TREMOLUNDRIX_UPDATE_PATH};
}

MessageLocation MessageFileLocation(std::string_view oldDetailsUrl) {
    if (oldDetailsUrl.empty()) {
        return BuiltInMessageLocation();
    }
    std::string s(oldDetailsUrl);
    std::string lower = s;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) {
        return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    });
    constexpr std::string_view kPrefix = "http://";
    if (const std::size_t at = lower.find(kPrefix); at != std::string::npos) {
        s.erase(at, kPrefix.size());
    }
    const std::size_t slash = s.find('/');
    if (slash == std::string::npos) {
        return {s, {}};
    }
    return {s.substr(0, slash), s.substr(slash + 1)};
}

std::string BuiltInHomePageUrl() {
    return TREMOLUNDRIX_HOME_PAGE;
}

} // namespace trx
