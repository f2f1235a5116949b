#include "app/ui/TAbortForm.h"

#include "app/ui/DialogFrame.h"

#include "controls/ui/THemisphereButton.h"
#include "controls/ui/WindowStyle.h"

#include <QCloseEvent>
#include <QShowEvent>

namespace trx {

TAbortForm::TAbortForm(QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowStaysOnTopHint) {
    setObjectName("AbortForm");
    setWindowTitle("Converting...");
    setFixedSize(153, 73);
    WindowStyle::ApplyFormColor(*this);

    AbortBtn = MakeRoundButton(this, "AbortBtn", "Abort", {}, {40, 16, 73, 41});
    AbortBtn->SetFaceColor(QColor(128, 0, 0));
    QFont bold = AbortBtn->font();
    bold.setBold(true);
    AbortBtn->setFont(bold);
    QPalette white = AbortBtn->palette();
    white.setColor(QPalette::ButtonText, Qt::white);
    AbortBtn->setPalette(white);
    connect(AbortBtn, &THemisphereButton::clicked, this, &TAbortForm::AbortBtnClick);
}

void TAbortForm::AbortBtnClick() {
    aborted_ = true;
}

void TAbortForm::showEvent(QShowEvent* event) {
    // Only a show by the program counts, not the window system restoring it.
    if (!event->spontaneous()) {
        RequestDialogFrame(*this);
        FormShow();
    }
    QWidget::showEvent(event);
}

void TAbortForm::closeEvent(QCloseEvent* event) {
    // Some window managers give every dialog a close button: the window
    // stays while the work it belongs to runs.
    if (event->spontaneous()) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void TAbortForm::FormShow() {
    aborted_ = false;
    if (const QWidget* main = parentWidget()) {
        const QRect outer = main->frameGeometry();
        const QRect own = frameGeometry();
        // Integer division truncates toward zero, also left of the screen.
        const int top = (outer.top() * 2 + outer.height() - own.height()) / 2;
        const int left = (outer.left() * 2 + outer.width() - own.width()) / 2;
        move(left, top);
    }
    setCursor(Qt::ArrowCursor);
}

} // namespace trx
