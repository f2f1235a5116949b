#include "info/VersionText.h"

#include <array>

namespace trx {

std::string ComparableVersion(std::string_view programVersion) {
    constexpr std::size_t kParts = 4;
    std::array<std::string_view, kParts> parts;
    std::size_t count = 0;
    std::string_view rest = programVersion;
    while (true) {
        const std::size_t dot = rest.find('.');
        if (count == kParts) {
            return {};
        }
        parts[count++] = rest.substr(0, dot);
        if (dot == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(dot + 1);
    }
    if (count != kParts) {
        return {};
    }
    std::string result;
    for (const std::string_view part : parts) {
        if (part.empty()) {
            return {};
        }
        if (part.size() == 1) {
            result += '0';
        }
        result += part;
    }
    return result;
}

bool IsNewerVersion(std::string_view latestVersion, std::string_view comparableVersion) {
    // std::char_traits<char> compares as unsigned char: ordinal order.
    return latestVersion > comparableVersion;
}

std::string GetMessageValue(std::string_view key, std::string_view text) {
    const std::size_t at = text.find(key);
    if (key.empty() || at == std::string_view::npos) {
        return {};
    }
    const std::string_view rest = text.substr(at);
    std::size_t end = rest.find('\n');
    if (end == std::string_view::npos) {
        end = rest.size();
    }
    if (end > 0 && rest[end - 1] == '\r') {
        --end;
    }
    if (end <= key.size()) {
        return {};
    }
    return std::string(rest.substr(key.size(), end - key.size()));
}

} // namespace trx
