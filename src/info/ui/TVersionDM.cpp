#include "info/ui/TVersionDM.h"

#include "app/ui/ModalInteraction.h"
#include "info/TGetVersionInfoFromFile.h"
#include "info/ValueStore.h"

#include <QCoreApplication>

#include <exception>
#include <optional>
#include <utility>

namespace trx {

TVersionDM::TVersionDM(std::unique_ptr<ValueStore> store, ModalInteraction& interaction,
                       QWidget* messageOwner, QObject* parent)
    : QObject(parent)
    , store_(std::move(store))
    , interaction_(interaction)
    , messageOwner_(messageOwner)
    , check_(ReadProgramVersion(QCoreApplication::applicationFilePath().toStdString())) {
    setObjectName("VersionDM");
    VersionDMCreate();
}

TVersionDM::~TVersionDM() {
    // The result posted by the request thread dies with this object.
    if (request_.joinable()) {
        request_.join();
    }
}

QString TVersionDM::ProgramVersion() const {
    return QString::fromStdString(check_.ProgramVersion());
}

QString TVersionDM::HomePageUrl() const {
    return QString::fromStdString(check_.HomePageUrl());
}

void TVersionDM::VersionDMCreate() {
    GetVersionDetails();
}

void TVersionDM::GetVersionDetails() {
    const std::optional<MessageLocation> location = check_.Locate(*store_);
    if (!location) {
        return;
    }
    busy_ = true;
    request_ = std::thread([this, url = location->Url()] {
        FetchResult result;
        try {
            result = FetchMessageFile(url);
        } catch (const std::exception& error) {
            result.Failure = error.what();
        }
        QMetaObject::invokeMethod(
            this, [this, result] { TakeResult(result); }, Qt::QueuedConnection);
    });
}

void TVersionDM::TakeResult(const FetchResult& result) {
    // The thread's last act was to post this call.
    request_.join();
    busy_ = false;
    // A failed request is ignored: nothing is stored, nothing is shown.
    if (result.Succeeded()) {
        const VersionCheckOutcome outcome = check_.Apply(*result.Body, *store_);
        if (outcome.Message) {
            Show(*outcome.Message);
        }
        if (outcome.Announcement) {
            Show(*outcome.Announcement);
        }
    }
    emit VersionCheckDone();
}

void TVersionDM::Show(const std::string& text) {
    // The message box shows its text as plain text; its line ends are "\n".
    QString shown = QString::fromStdString(text);
    shown.replace("\r\n", "\n");
    interaction_.Tell(messageOwner_.data(),
                      {shown, "Tremolundrix", QMessageBox::Ok, QMessageBox::NoIcon});
}

} // namespace trx
