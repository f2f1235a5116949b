#pragma once

#include <QColor>
#include <QLabel>
#include <QString>

class QAction;
class QMenu;

namespace trx {

// A label that looks and acts like a link on a web page: blue and
// underlined, red under the pointer, purple while the left button is held
// on it. A click opens Url in the user's browser; the context menu's one
// item copies it to the clipboard.
class TLumoraURLLabel : public QLabel {
    Q_OBJECT
    Q_PROPERTY(QString Url READ Url WRITE SetUrl)
    Q_PROPERTY(QColor ColorMouseOver READ ColorMouseOver WRITE SetColorMouseOver)
    Q_PROPERTY(QColor ColorActive READ ColorActive WRITE SetColorActive)
    Q_PROPERTY(TCustomCursor CursorMouseOver READ CursorMouseOver WRITE SetCursorMouseOver)
    Q_PROPERTY(QString PopupString READ PopupString WRITE SetPopupString)

public:
    // The pointer over the label: the ordinary arrow or one of three hands.
    enum class TCustomCursor { crDefaultCursor, crMozilla, crOpenHand, crClosedHand };
    Q_ENUM(TCustomCursor)

    explicit TLumoraURLLabel(QWidget* parent = nullptr);

    [[nodiscard]] QString Url() const { return url_; }
    void SetUrl(const QString& url) { url_ = url; }
    [[nodiscard]] QColor ColorMouseOver() const { return colorMouseOver_; }
    void SetColorMouseOver(const QColor& color);
    [[nodiscard]] QColor ColorActive() const { return colorActive_; }
    void SetColorActive(const QColor& color);
    [[nodiscard]] TCustomCursor CursorMouseOver() const { return cursorMouseOver_; }
    void SetCursorMouseOver(TCustomCursor cursor);
    [[nodiscard]] QString PopupString() const { return popupString_; }
    // Also the caption of the menu item.
    void SetPopupString(const QString& text);

    // The colour the caption is drawn in now.
    [[nodiscard]] QColor CurrentColor() const;
    [[nodiscard]] QMenu* PopupMenu() const { return popupMenu_; }

    // Hands url to the user's browser when it is an http or https address;
    // anything else (a local file, a program) is not opened. True when it
    // was handed over.
    static bool OpenInBrowser(const QString& url);

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void CopyLink();
    // Before the context menu shows: neither hovered nor pressed.
    void ResetColors();
    void Recolor();

    QString url_;
    QColor normalColor_;
    QColor colorMouseOver_;
    QColor colorActive_;
    TCustomCursor cursorMouseOver_ = TCustomCursor::crMozilla;
    QString popupString_;
    bool hover_ = false;
    bool active_ = false;
    QMenu* popupMenu_ = nullptr;
    QAction* menuItem_ = nullptr;
};

} // namespace trx
