#pragma once

#include "info/MessageFetch.h"
#include "info/VersionCheck.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>
#include <string>
#include <thread>

namespace trx {

class ModalInteraction;
class ValueStore;

// The start-up version check of the desktop program. Creating it reads the
// program's version and, unless the stored "Check Version" is "0", starts
// the request on a thread of its own, so start-up never waits for the
// network. The result is taken on this object's thread from the event
// loop: the values are stored, and a new message and a new version are
// shown in plain message boxes owned by messageOwner.
class TVersionDM : public QObject {
    Q_OBJECT

public:
    // interaction and messageOwner (which may be null) must outlive the
    // check or be gone before its result arrives (the owner is watched).
    TVersionDM(std::unique_ptr<ValueStore> store, ModalInteraction& interaction,
               QWidget* messageOwner, QObject* parent = nullptr);
    // Waits for a running request, at most its total timeout.
    ~TVersionDM() override;
    TVersionDM(const TVersionDM&) = delete;
    TVersionDM& operator=(const TVersionDM&) = delete;

    // The running program's version text, also when the check is off.
    [[nodiscard]] QString ProgramVersion() const;
    // From the message file, else the stored one; empty before the result
    // has arrived, after a failed request and when the check is off.
    [[nodiscard]] QString HomePageUrl() const;
    // True from creation until the result of a started request is taken.
    [[nodiscard]] bool Busy() const { return busy_; }

signals:
    // A started request has ended and its result (or failure) was taken.
    void VersionCheckDone();

private:
    void VersionDMCreate();
    void GetVersionDetails();
    void TakeResult(const FetchResult& result);
    void Show(const std::string& text);

    std::unique_ptr<ValueStore> store_;
    ModalInteraction& interaction_;
    QPointer<QWidget> messageOwner_;
    VersionCheck check_;
    std::thread request_;
    bool busy_ = false;
};

} // namespace trx
