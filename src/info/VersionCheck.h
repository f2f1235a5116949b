#pragma once

#include "info/UpdateServer.h"

#include <optional>
#include <string>

namespace trx {

class ValueStore;

// What a finished check has to show, each in a plain message box, in this
// order. Both texts may hold anything the update server sent: show them as
// plain text.
struct VersionCheckOutcome {
    // A new, non-empty MESSAGE of the message file.
    std::optional<std::string> Message;
    // "A new version of Tremolundrix is available at " CR LF and the address.
    std::optional<std::string> Announcement;
};

// The start-up version check and the values it keeps for the whole run.
// The request itself may run on any thread: Locate and Apply read and write
// the store and belong to the thread that owns it; FetchMessageFile (or
// GetVersionDetails, which does all three in turn) goes in between.
class VersionCheck {
public:
    // programVersion: the running program's "FileVersion" text.
    explicit VersionCheck(std::string programVersion);

    // Where to fetch the message file from, or none when the stored
    // "Check Version" is "0" (the store is then not touched again).
    [[nodiscard]] std::optional<MessageLocation> Locate(ValueStore& store) const;

    // Takes a fetched message file: keeps its home page (or the stored one
    // when it names none), stores the values it gives and says what to show.
    [[nodiscard]] VersionCheckOutcome Apply(std::string versionMessage, ValueStore& store);

    // The whole check, blocking for at most the request's timeout. A failed
    // request changes nothing and shows nothing.
    [[nodiscard]] VersionCheckOutcome GetVersionDetails(ValueStore& store);

    [[nodiscard]] const std::string& ProgramVersion() const { return programVersion_; }
    [[nodiscard]] const std::string& ComparableVersion() const { return comparableVersion_; }
    [[nodiscard]] const std::string& VersionMessage() const { return versionMessage_; }
    // From the last message file, else the stored one, else empty.
    [[nodiscard]] const std::string& HomePageUrl() const { return homePageUrl_; }

private:
    std::string programVersion_;
    std::string comparableVersion_;
    std::string versionMessage_;
    std::string homePageUrl_;
};

} // namespace trx
