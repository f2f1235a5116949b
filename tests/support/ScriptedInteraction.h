#pragma once

// A stand-in for the program's dialogs in Qt tests: answers every file
// dialog, question and modal window from a queue, and records what was
// asked so a test can check texts, captions, buttons and order.
//
//   trx::test::ScriptedInteraction modal;
//   modal.Queue(ScriptedAnswer::Path("/tmp/song.wav"));
//   modal.Queue(ScriptedAnswer::Cancel());
//   ... run the command ...
//   QCOMPARE(modal.Requests()[1].Text, QString("The current file is ..."));
//
// Plain messages (Tell) take no answer. A request the queue cannot answer
// (empty queue, or an answer of the wrong kind at its front) is dismissed
// (cancelled, Cancel/No, rejected), counted in Unanswered() and leaves the
// queue as it was.

#include "app/ui/ModalInteraction.h"

#include <QDialog>
#include <QWidget>

#include <deque>
#include <functional>
#include <utility>
#include <vector>

namespace trx::test {

class ScriptedAnswer {
public:
    enum class Kind { Path, CancelDialog, Button, Accept, Reject, Run };

    // A file dialog returns this path.
    static ScriptedAnswer Path(QString path) {
        ScriptedAnswer a(Kind::Path);
        a.path_ = std::move(path);
        return a;
    }
    static ScriptedAnswer Yes() { return Button(QMessageBox::Yes); }
    static ScriptedAnswer No() { return Button(QMessageBox::No); }
    static ScriptedAnswer Ok() { return Button(QMessageBox::Ok); }
    // Cancels a file dialog, answers Cancel to a question, rejects a dialog.
    static ScriptedAnswer Cancel() { return ScriptedAnswer(Kind::CancelDialog); }
    static ScriptedAnswer Button(QMessageBox::StandardButton button) {
        ScriptedAnswer a(Kind::Button);
        a.button_ = button;
        return a;
    }
    // A modal dialog closes with Accepted / Rejected without being shown.
    static ScriptedAnswer Accept() { return ScriptedAnswer(Kind::Accept); }
    static ScriptedAnswer Reject() { return ScriptedAnswer(Kind::Reject); }
    // A modal dialog is handed to the test, which may work its controls; the
    // function's result is the dialog's result.
    static ScriptedAnswer Run(std::function<int(QDialog&)> run) {
        ScriptedAnswer a(Kind::Run);
        a.run_ = std::move(run);
        return a;
    }

    [[nodiscard]] Kind GetKind() const { return kind_; }
    [[nodiscard]] const QString& GetPath() const { return path_; }
    [[nodiscard]] QMessageBox::StandardButton GetButton() const { return button_; }
    [[nodiscard]] int RunOn(QDialog& dialog) const { return run_(dialog); }

private:
    explicit ScriptedAnswer(Kind kind)
        : kind_(kind) {}

    Kind kind_;
    QString path_;
    QMessageBox::StandardButton button_ = QMessageBox::NoButton;
    std::function<int(QDialog&)> run_;
};

enum class RequestKind { OpenDialog, SaveDialog, Ask, Tell, Exec };

// One request as the program made it.
struct RecordedRequest {
    RequestKind Kind = RequestKind::Tell;
    bool HasOwner = false;
    // Ask and Tell.
    QString Text;
    QString Caption;
    QMessageBox::StandardButtons Buttons;
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
    // File dialogs, as they were before the answer.
    FileDialog Dialog;
    // Exec: the dialog's objectName and window title.
    QString DialogName;
    QString DialogTitle;
    // Whether the queue answered it.
    bool Answered = false;
};

class ScriptedInteraction : public ModalInteraction {
public:
    void Queue(ScriptedAnswer answer) { answers_.push_back(std::move(answer)); }
    [[nodiscard]] const std::vector<RecordedRequest>& Requests() const { return requests_; }
    [[nodiscard]] std::size_t PendingAnswers() const { return answers_.size(); }
    [[nodiscard]] int Unanswered() const { return unanswered_; }
    void Clear() {
        answers_.clear();
        requests_.clear();
        unanswered_ = 0;
    }

    bool RunOpenDialog(QWidget* owner, FileDialog& dialog) override {
        return RunFileDialog(RequestKind::OpenDialog, owner, dialog);
    }
    bool RunSaveDialog(QWidget* owner, FileDialog& dialog) override {
        return RunFileDialog(RequestKind::SaveDialog, owner, dialog);
    }

    QMessageBox::StandardButton Ask(QWidget* owner, const MessageRequest& request) override {
        RecordedRequest& r = Record(RequestKind::Ask, owner);
        r.Text = request.Text;
        r.Caption = request.Caption;
        r.Buttons = request.Buttons;
        r.Icon = request.Icon;
        if (!answers_.empty()) {
            const ScriptedAnswer& front = answers_.front();
            if (front.GetKind() == ScriptedAnswer::Kind::Button &&
                request.Buttons.testFlag(front.GetButton())) {
                const QMessageBox::StandardButton button = front.GetButton();
                Consume(r);
                return button;
            }
            if (front.GetKind() == ScriptedAnswer::Kind::CancelDialog &&
                request.Buttons.testFlag(QMessageBox::Cancel)) {
                Consume(r);
                return QMessageBox::Cancel;
            }
        }
        ++unanswered_;
        if (request.Buttons.testFlag(QMessageBox::Cancel)) {
            return QMessageBox::Cancel;
        }
        return request.Buttons.testFlag(QMessageBox::No) ? QMessageBox::No : QMessageBox::NoButton;
    }

    void Tell(QWidget* owner, const MessageRequest& request) override {
        RecordedRequest& r = Record(RequestKind::Tell, owner);
        r.Text = request.Text;
        r.Caption = request.Caption;
        r.Buttons = request.Buttons;
        r.Icon = request.Icon;
        r.Answered = true;
    }

    int Exec(QDialog& dialog) override {
        RecordedRequest& r = Record(RequestKind::Exec, dialog.parentWidget());
        r.DialogName = dialog.objectName();
        r.DialogTitle = dialog.windowTitle();
        if (!answers_.empty()) {
            const ScriptedAnswer front = answers_.front();
            switch (front.GetKind()) {
            case ScriptedAnswer::Kind::Accept:
                Consume(r);
                return QDialog::Accepted;
            case ScriptedAnswer::Kind::Reject:
            case ScriptedAnswer::Kind::CancelDialog:
                Consume(r);
                return QDialog::Rejected;
            case ScriptedAnswer::Kind::Run:
                Consume(r);
                return front.RunOn(dialog);
            default:
                break;
            }
        }
        ++unanswered_;
        return QDialog::Rejected;
    }

private:
    RecordedRequest& Record(RequestKind kind, QWidget* owner) {
        RecordedRequest r;
        r.Kind = kind;
        r.HasOwner = owner != nullptr;
        requests_.push_back(std::move(r));
        return requests_.back();
    }

    void Consume(RecordedRequest& r) {
        answers_.pop_front();
        r.Answered = true;
    }

    bool RunFileDialog(RequestKind kind, QWidget* owner, FileDialog& dialog) {
        RecordedRequest& r = Record(kind, owner);
        r.Dialog = dialog;
        if (!answers_.empty()) {
            const ScriptedAnswer& front = answers_.front();
            if (front.GetKind() == ScriptedAnswer::Kind::Path) {
                dialog.FileName = front.GetPath();
                Consume(r);
                return true;
            }
            if (front.GetKind() == ScriptedAnswer::Kind::CancelDialog) {
                Consume(r);
                return false;
            }
        }
        ++unanswered_;
        return false;
    }

    std::deque<ScriptedAnswer> answers_;
    std::vector<RecordedRequest> requests_;
    int unanswered_ = 0;
};

} // namespace trx::test
