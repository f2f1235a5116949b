#include "info/ui/TLumoraURLLabel.h"

#include "info/UpdateServer.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QUrl>

namespace trx {

TLumoraURLLabel::TLumoraURLLabel(QWidget* parent)
    : QLabel(parent)
    , url_(QString::fromStdString(BuiltInHomePageUrl()))
    , normalColor_(Qt::blue)
    , colorMouseOver_(Qt::red)
    , colorActive_(128, 0, 128)
    , popupString_("Copy Link Location") {
    // The caption is the program's own, but never read it as markup.
    setTextFormat(Qt::PlainText);
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
    Recolor();

    popupMenu_ = new QMenu(this);
    popupMenu_->setObjectName("PopupMenu");
    menuItem_ = popupMenu_->addAction(popupString_);
    menuItem_->setObjectName("MenuItem");
    connect(menuItem_, &QAction::triggered, this, &TLumoraURLLabel::CopyLink);
    connect(popupMenu_, &QMenu::aboutToShow, this, &TLumoraURLLabel::ResetColors);
    SetCursorMouseOver(TCustomCursor::crMozilla);
}

void TLumoraURLLabel::SetColorMouseOver(const QColor& color) {
    colorMouseOver_ = color;
    Recolor();
}

void TLumoraURLLabel::SetColorActive(const QColor& color) {
    colorActive_ = color;
    Recolor();
}

void TLumoraURLLabel::SetCursorMouseOver(TCustomCursor cursor) {
    cursorMouseOver_ = cursor;
    switch (cursor) {
    case TCustomCursor::crDefaultCursor:
        setCursor(Qt::ArrowCursor);
        break;
    case TCustomCursor::crMozilla:
        setCursor(Qt::PointingHandCursor);
        break;
    case TCustomCursor::crOpenHand:
        setCursor(Qt::OpenHandCursor);
        break;
    case TCustomCursor::crClosedHand:
        setCursor(Qt::ClosedHandCursor);
        break;
    }
}

void TLumoraURLLabel::SetPopupString(const QString& text) {
    popupString_ = text;
    menuItem_->setText(text);
}

QColor TLumoraURLLabel::CurrentColor() const {
    return palette().color(QPalette::WindowText);
}

bool TLumoraURLLabel::OpenInBrowser(const QString& url) {
    const QUrl address(url, QUrl::StrictMode);
    const QString scheme = address.scheme().toLower();
    if (!address.isValid() || (scheme != "http" && scheme != "https")) {
        return false;
    }
    // Nothing is reported when no browser takes it.
    (void)QDesktopServices::openUrl(address);
    return true;
}

void TLumoraURLLabel::enterEvent(QEnterEvent* event) {
    hover_ = true;
    Recolor();
    QLabel::enterEvent(event);
}

void TLumoraURLLabel::leaveEvent(QEvent* event) {
    hover_ = false;
    Recolor();
    QLabel::leaveEvent(event);
}

void TLumoraURLLabel::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QLabel::mousePressEvent(event);
        return;
    }
    active_ = true;
    hover_ = true;
    Recolor();
    // Accepted, so the label keeps the mouse grab until the release.
    event->accept();
}

void TLumoraURLLabel::mouseMoveEvent(QMouseEvent* event) {
    // While the button is held the label has the mouse grab and gets no
    // leave event: whether the pointer is over it follows from where it is.
    if (active_) {
        const bool over = rect().contains(event->position().toPoint());
        if (over != hover_) {
            hover_ = over;
            Recolor();
        }
        event->accept();
        return;
    }
    QLabel::mouseMoveEvent(event);
}

void TLumoraURLLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QLabel::mouseReleaseEvent(event);
        return;
    }
    active_ = false;
    hover_ = rect().contains(event->position().toPoint());
    Recolor();
    if (hover_) {
        (void)OpenInBrowser(url_);
    }
    event->accept();
}

void TLumoraURLLabel::contextMenuEvent(QContextMenuEvent* event) {
    popupMenu_->popup(event->globalPos());
    event->accept();
}

void TLumoraURLLabel::CopyLink() {
    QGuiApplication::clipboard()->setText(url_);
}

void TLumoraURLLabel::ResetColors() {
    hover_ = false;
    active_ = false;
    Recolor();
}

void TLumoraURLLabel::Recolor() {
    QColor color = normalColor_;
    if (hover_ && active_) {
        color = colorActive_;
    } else if (hover_) {
        color = colorMouseOver_;
    }
    QPalette colored = palette();
    colored.setColor(QPalette::WindowText, color);
    setPalette(colored);
}

} // namespace trx
