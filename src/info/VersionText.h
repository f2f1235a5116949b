#pragma once

#include <string>
#include <string_view>

namespace trx {

// A dotted four-number version with every number written as at least two
// digits and the dots removed: 1.2.10.0 gives "01021000", 12.3.4.56 gives
// "12030456". A text that is not four non-empty parts separated by dots
// (the empty text included) gives the empty string.
[[nodiscard]] std::string ComparableVersion(std::string_view programVersion);

// Whether the update server's latest version is newer than ours: an
// ordinal, character-by-character comparison of the two texts, a longer
// text with an equal beginning being the greater.
[[nodiscard]] bool IsNewerVersion(std::string_view latestVersion,
                                  std::string_view comparableVersion);

// The value of one line of the message file: the text after the first
// occurrence of key anywhere in text up to the next line feed (or the end),
// without a carriage return just before it. Empty when key does not occur.
[[nodiscard]] std::string GetMessageValue(std::string_view key, std::string_view text);

} // namespace trx
