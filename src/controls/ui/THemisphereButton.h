#pragma once

#include "controls/ui/HemisphereRender.h"

#include <QColor>
#include <QImage>
#include <QString>
#include <QWidget>

namespace trx {

// The round push button of every window: a shaded elliptical hemisphere
// filling its bounds, with bevel rings, an optional border, a centred caption
// and an optional glyph. Only presses inside the face count; the button pops
// up while the pointer is dragged out of it and clicks only when released
// inside. With a group index it is one of a group of toggle buttons. Its
// pictures are rendered when first painted after an appearance change;
// painting only composes them through the mask, so the corners show what
// lies behind. Tab gives it the focus, Space and Enter press it.
class THemisphereButton : public QWidget {
    Q_OBJECT
    Q_PROPERTY(bool AllowAllUp READ AllowAllUp WRITE SetAllowAllUp)
    Q_PROPERTY(double AttenControl READ AttenControl WRITE SetAttenControl)
    Q_PROPERTY(THemisphereBevel BevelInner READ BevelInner WRITE SetBevelInner)
    Q_PROPERTY(THemisphereBevel BevelOuter READ BevelOuter WRITE SetBevelOuter)
    Q_PROPERTY(int BevelWidth READ BevelWidth WRITE SetBevelWidth)
    Q_PROPERTY(QColor BorderColor READ BorderColor WRITE SetBorderColor)
    Q_PROPERTY(TBorderStyle BorderStyle READ BorderStyle WRITE SetBorderStyle)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(bool Down READ Down WRITE SetDown)
    Q_PROPERTY(QColor FaceColor READ FaceColor WRITE SetFaceColor)
    Q_PROPERTY(bool FaceShaded READ FaceShaded WRITE SetFaceShaded)
    Q_PROPERTY(bool FaceTransparent READ FaceTransparent WRITE SetFaceTransparent)
    Q_PROPERTY(QImage Glyph READ Glyph WRITE SetGlyph)
    Q_PROPERTY(int GlyphIndex READ GlyphIndex WRITE SetGlyphIndex)
    Q_PROPERTY(bool GlyphShaded READ GlyphShaded WRITE SetGlyphShaded)
    Q_PROPERTY(bool GlyphMapped READ GlyphMapped WRITE SetGlyphMapped)
    Q_PROPERTY(bool GlyphTransparent READ GlyphTransparent WRITE SetGlyphTransparent)
    Q_PROPERTY(int GroupIndex READ GroupIndex WRITE SetGroupIndex)
    Q_PROPERTY(int NumGlyphs READ NumGlyphs WRITE SetNumGlyphs)
    Q_PROPERTY(QString Hint READ Hint WRITE SetHint)

public:
    enum class THemisphereBevel { hbNone, hbLowered, hbRaised };
    Q_ENUM(THemisphereBevel)
    enum class TBorderStyle { bsNone, bsSingle };
    Q_ENUM(TBorderStyle)

    explicit THemisphereButton(QWidget* parent = nullptr);

    [[nodiscard]] bool AllowAllUp() const { return allowAllUp_; }
    // On a grouped button this is applied to every button of its group.
    void SetAllowAllUp(bool allowAllUp);
    [[nodiscard]] double AttenControl() const { return look_.attenControl; }
    // Strength of the shading; negative values light the face from the
    // lower right.
    void SetAttenControl(double atten);
    [[nodiscard]] THemisphereBevel BevelInner() const;
    void SetBevelInner(THemisphereBevel bevel);
    [[nodiscard]] THemisphereBevel BevelOuter() const;
    void SetBevelOuter(THemisphereBevel bevel);
    [[nodiscard]] int BevelWidth() const { return look_.bevelWidth; }
    // Pixels per bevel ring; 0 or less is ignored.
    void SetBevelWidth(int width);
    [[nodiscard]] QColor BorderColor() const { return look_.borderColor; }
    void SetBorderColor(const QColor& color);
    [[nodiscard]] TBorderStyle BorderStyle() const;
    // bsSingle draws a one-pixel ellipse round the face.
    void SetBorderStyle(TBorderStyle style);
    [[nodiscard]] QString Caption() const { return look_.caption; }
    void SetCaption(const QString& caption);
    [[nodiscard]] bool Down() const { return down_; }
    // Shows the in or the out picture; renders nothing.
    void SetDown(bool down);
    [[nodiscard]] QColor FaceColor() const;
    void SetFaceColor(const QColor& color);
    [[nodiscard]] bool FaceShaded() const { return look_.faceShaded; }
    void SetFaceShaded(bool shaded);
    [[nodiscard]] bool FaceTransparent() const { return look_.faceTransparent; }
    // Face pixels the glyph does not cover show the background.
    void SetFaceTransparent(bool transparent);
    [[nodiscard]] QImage Glyph() const { return look_.glyph; }
    // A strip of square glyphs gives one glyph per square, anything else one
    // glyph; shows the first. A null image removes the glyph.
    void SetGlyph(const QImage& glyph);
    [[nodiscard]] int GlyphIndex() const { return look_.glyphIndex; }
    // 1-based; values outside 1..NumGlyphs are ignored.
    void SetGlyphIndex(int index);
    [[nodiscard]] bool GlyphShaded() const { return look_.glyphShaded; }
    void SetGlyphShaded(bool shaded);
    [[nodiscard]] bool GlyphMapped() const { return look_.glyphMapped; }
    // Wraps the glyph round the curved face instead of drawing it flat.
    void SetGlyphMapped(bool mapped);
    [[nodiscard]] bool GlyphTransparent() const { return look_.glyphTransparent; }
    // Glyph pixels of the strip's bottom-left colour show the face.
    void SetGlyphTransparent(bool transparent);
    [[nodiscard]] int GroupIndex() const { return groupIndex_; }
    // 0 makes a push button; any other value joins the toggle group of that
    // number among the buttons of the same window.
    void SetGroupIndex(int index);
    [[nodiscard]] int NumGlyphs() const { return look_.numGlyphs; }
    // Glyphs in the strip; 0 or less is ignored.
    void SetNumGlyphs(int count);
    // The hint is the tool tip; a "\n" breaks its line.
    [[nodiscard]] QString Hint() const { return toolTip(); }
    void SetHint(const QString& hint) { setToolTip(hint); }

    // Whether a point in widget pixels lies on the face ellipse, inside the
    // bevel rings.
    [[nodiscard]] bool HitTest(QPoint point) const;

    // A press and release on the face, as from the keyboard or an
    // accessibility tool: the click, then the push or toggle behaviour.
    void Click();

    // The pictures for the current look and size, rendered if out of date;
    // null below 2 x 2 pixels.
    [[nodiscard]] const HemispherePictures& Pictures() const;

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
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // Marks the pictures out of date and repaints.
    void Restyle();
    template <class T>
    void SetLook(T& field, const T& value);
    void BeginPress(QMouseEvent* event, bool doubleClick);
    void StartPress();
    // The end of a press on the face: the click, then up, or the toggle.
    void FinishPress();
    void CancelTracking();
    // Grouped buttons of the same window with the same index, this one excluded.
    [[nodiscard]] QList<THemisphereButton*> GroupMates() const;

    HemisphereLook look_;
    bool allowAllUp_ = false;
    bool down_ = false;
    int groupIndex_ = 0;

    bool tracking_ = false;
    bool spaceHeld_ = false;
    bool downAtPress_ = false;

    mutable bool stale_ = true;
    mutable QSize builtSize_{-1, -1};
    mutable HemispherePictures pictures_;
    mutable QImage outComposed_;
    mutable QImage inComposed_;
};

} // namespace trx
