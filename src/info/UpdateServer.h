#pragma once

#include <string>
#include <string_view>

namespace trx {

// Where the message file is fetched from: a host (with an optional ":port")
// and a path on it without its leading "/".
struct MessageLocation {
    std::string Host;
    std::string Path;

    // The address requested: plain HTTP on the host, port 80 by default.
    [[nodiscard]] std::string Url() const { return "http://" + Host + "/" + Path; }
    [[nodiscard]] bool operator==(const MessageLocation&) const = default;
};

// The update server fixed at build time.
[[nodiscard]] MessageLocation BuiltInMessageLocation();

// The message file's location for the stored "OldDetailsUrl": empty gives
// the built-in server. Otherwise an "http://" anywhere in it, in any letter
// case, is removed; the host is the text before the first "/" and the path
// the text after it (a value without "/" is a host, with an empty path).
[[nodiscard]] MessageLocation MessageFileLocation(std::string_view oldDetailsUrl);

// The home page shown until the update server names one.
[[nodiscard]] std::string BuiltInHomePageUrl();

} // namespace trx
