#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>

#include <cstdint>

namespace trx {

// The shape of one bevel ring, in the order the button publishes them.
enum class HemisphereRing : std::uint8_t { None, Lowered, Raised };

// Everything the round button's pictures depend on; no widget involved, so
// the rendering can be measured and checked on plain images.
struct HemisphereLook {
    int width = 25;
    int height = 25;
    // Strength of the shading; negative values invert the light.
    double attenControl = 1.0;
    HemisphereRing bevelInner = HemisphereRing::None;
    HemisphereRing bevelOuter = HemisphereRing::Lowered;
    // Pixels per ring; at least 1.
    int bevelWidth = 2;
    QColor borderColor{128, 128, 128};
    bool borderSingle = false;
    QString caption;
    QFont font;
    QColor textColor{Qt::black};
    std::uint8_t faceRed = 128;
    std::uint8_t faceGreen = 128;
    std::uint8_t faceBlue = 128;
    bool faceShaded = true;
    bool faceTransparent = false;
    // The strip of numGlyphs cells side by side; null for none.
    QImage glyph;
    int glyphIndex = 1;
    int numGlyphs = 1;
    bool glyphShaded = true;
    bool glyphMapped = false;
    bool glyphTransparent = true;
    // The disabled look: face and glyph in their grey levels, the caption
    // etched in grey.
    bool greyed = false;
};

// The button up (out), the button down (in, lit from the lower right) and the
// mask (black on the button, white where the background shows). All null
// when the look is narrower or lower than 2 pixels.
struct HemispherePictures {
    QImage out;
    QImage in;
    QImage mask;
};

[[nodiscard]] HemispherePictures RenderHemisphere(const HemisphereLook& look);

// picture (out or in) cut to the button by mask: transparent where the mask
// is white, so it shows round over any background.
[[nodiscard]] QImage ComposeThroughMask(const QImage& picture, const QImage& mask);

// The number of bevels that are not None: each takes bevelWidth pixels from
// the face on every side.
[[nodiscard]] int BevelCount(const HemisphereLook& look);

} // namespace trx
