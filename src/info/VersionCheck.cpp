#include "info/VersionCheck.h"

#include "info/MessageFetch.h"
#include "info/ValueStore.h"
#include "info/VersionText.h"

#include <utility>

namespace trx {

VersionCheck::VersionCheck(std::string programVersion)
    : programVersion_(std::move(programVersion))
    , comparableVersion_(trx::ComparableVersion(programVersion_)) {}

std::optional<MessageLocation> VersionCheck::Locate(ValueStore& store) const {
    if (store.ReadRegString("Check Version") == "0") {
        return std::nullopt;
    }
    return MessageFileLocation(store.ReadRegString("OldDetailsUrl"));
}

VersionCheckOutcome VersionCheck::Apply(std::string versionMessage, ValueStore& store) {
    versionMessage_ = std::move(versionMessage);
    homePageUrl_ = GetMessageValue("HOMEPAGE=", versionMessage_);
    const std::string latest = GetMessageValue("LATESTVERSION=", versionMessage_);
    const std::string latestUrl = GetMessageValue("LATESTURL=", versionMessage_);
    const std::string details = GetMessageValue("DETAILSURL=", versionMessage_);
    const std::string message = GetMessageValue("MESSAGE=", versionMessage_);

    const std::string previousHomePage = store.ReadRegString("HomePageURL");
    const std::string previousMessage = store.ReadRegString("Message");

    if (!homePageUrl_.empty()) {
        store.WriteRegString("HomePageURL", homePageUrl_);
    }
    store.WriteRegString("LatestVersion", latest);
    store.WriteRegString("LatestVersionURL", latestUrl);
    store.WriteRegString("DetailsURL", details);
    store.WriteRegString("Message", message);

    if (homePageUrl_.empty()) {
        homePageUrl_ = previousHomePage;
    }
    VersionCheckOutcome outcome;
    // An empty message is remembered, so the next non-empty one counts as
    // new, but an empty box is not worth showing.
    if (message != previousMessage && !message.empty()) {
        outcome.Message = message;
    }
    if (IsNewerVersion(latest, comparableVersion_)) {
        outcome.Announcement = "A new version of Tremolundrix is available at \r\n" + latestUrl;
    }
    return outcome;
}

VersionCheckOutcome VersionCheck::GetVersionDetails(ValueStore& store) {
    const std::optional<MessageLocation> location = Locate(store);
    if (!location) {
        return {};
    }
    FetchResult fetched = FetchMessageFile(location->Url());
    if (!fetched.Succeeded()) {
        return {};
    }
    return Apply(std::move(*fetched.Body), store);
}

} // namespace trx
