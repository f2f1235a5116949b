#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

namespace trx {

// The round push button of every window: an ellipse filling its bounds with
// a centred caption. Only presses inside the ellipse count; the button pops
// up while the pointer is dragged out of it and clicks only when released
// inside. With a group index it is one of a group of toggle buttons.
class THemisphereButton : public QWidget {
    Q_OBJECT
    Q_PROPERTY(bool AllowAllUp READ AllowAllUp WRITE SetAllowAllUp)
    Q_PROPERTY(THemisphereBevel BevelInner READ BevelInner WRITE SetBevelInner)
    Q_PROPERTY(THemisphereBevel BevelOuter READ BevelOuter WRITE SetBevelOuter)
    Q_PROPERTY(int BevelWidth READ BevelWidth WRITE SetBevelWidth)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(bool Down READ Down WRITE SetDown)
    Q_PROPERTY(QColor FaceColor READ FaceColor WRITE SetFaceColor)
    Q_PROPERTY(int GroupIndex READ GroupIndex WRITE SetGroupIndex)
    Q_PROPERTY(QString Hint READ Hint WRITE SetHint)

public:
    enum class THemisphereBevel { hbNone, hbLowered, hbRaised };
    Q_ENUM(THemisphereBevel)

    explicit THemisphereButton(QWidget* parent = nullptr);

    [[nodiscard]] bool AllowAllUp() const { return allowAllUp_; }
    // On a grouped button this is applied to every button of its group.
    void SetAllowAllUp(bool allowAllUp);
    [[nodiscard]] THemisphereBevel BevelInner() const { return bevelInner_; }
    void SetBevelInner(THemisphereBevel bevel);
    [[nodiscard]] THemisphereBevel BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(THemisphereBevel bevel);
    [[nodiscard]] int BevelWidth() const { return bevelWidth_; }
    // Pixels per bevel ring; 0 or less is ignored.
    void SetBevelWidth(int width);
    [[nodiscard]] QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    [[nodiscard]] bool Down() const { return down_; }
    void SetDown(bool down);
    [[nodiscard]] QColor FaceColor() const { return faceColor_; }
    void SetFaceColor(const QColor& color);
    [[nodiscard]] int GroupIndex() const { return groupIndex_; }
    // 0 makes a push button; any other value joins the toggle group of that
    // number among the buttons of the same window.
    void SetGroupIndex(int index);
    // The hint is the tool tip; a "\n" breaks its line.
    [[nodiscard]] QString Hint() const { return toolTip(); }
    void SetHint(const QString& hint) { setToolTip(hint); }

    // Whether a point in widget pixels lies on the face ellipse, inside the
    // bevel rings.
    [[nodiscard]] bool HitTest(QPoint point) const;

    [[nodiscard]] QSize sizeHint() const override { return {25, 25}; }

signals:
    void clicked();
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void BeginPress(QMouseEvent* event, bool doubleClick);
    void CancelTracking();
    // Grouped buttons of the same window with the same index, this one excluded.
    [[nodiscard]] QList<THemisphereButton*> GroupMates() const;

    bool allowAllUp_ = false;
    THemisphereBevel bevelInner_ = THemisphereBevel::hbNone;
    THemisphereBevel bevelOuter_ = THemisphereBevel::hbLowered;
    int bevelWidth_ = 2;
    QString caption_;
    bool down_ = false;
    QColor faceColor_{128, 128, 128};
    int groupIndex_ = 0;

    bool tracking_ = false;
    bool downAtPress_ = false;
};

} // namespace trx
