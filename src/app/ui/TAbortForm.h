#pragma once

#include <QWidget>

namespace trx {

class THemisphereButton;

// The small stay-on-top progress window with its Abort button. Not modal:
// long work polls Aborted while it lets pending events run.
class TAbortForm : public QWidget {
    Q_OBJECT

public:
    // mainWindow: the window the form centres itself on at every show; it
    // also owns the form.
    explicit TAbortForm(QWidget* mainWindow);

    // True from a press of Abort until the next show.
    [[nodiscard]] bool Aborted() const { return aborted_; }
    void AbortBtnClick();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormShow();

    THemisphereButton* AbortBtn;
    bool aborted_ = false;
};

} // namespace trx
