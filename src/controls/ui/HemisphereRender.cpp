#include "controls/ui/HemisphereRender.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace trx {

namespace {

// 1/sqrt(3): the light comes from (-1, -1, 1), the upper left and toward the
// viewer, in pixel axes (x to the right, y downward, z toward the viewer).
constexpr double kLight = 0.5773502692;

// The smallest caption font, in pixels, when a caption is shrunk to fit.
constexpr int kSmallestCaptionPixels = 7;
// Pixels kept free between the caption and the face's edge on either side.
constexpr int kCaptionMargin = 3;

double Lit(double nx, double ny, double nz) {
    return (-nx - ny + nz) * kLight;
}

// Rounding as the shading is defined: halves to even. Adding and taking away
// 1.5 x 2^52 leaves the nearest integer under the default rounding mode,
// without the library call of nearbyint (a third of a small button's time);
// exact for |value| < 2^51, far beyond any colour or position here.
int RoundEven(double value) {
    constexpr double kShift = 6755399441055744.0;
    const double shifted = value + kShift;
    return static_cast<int>(shifted - kShift);
}

int Clamp255(int value) {
    return std::clamp(value, 0, 255);
}

QRgb Shade(QRgb colour, double s) {
    const auto channel = [s](int c) { return Clamp255(RoundEven(static_cast<double>(c) * s) + c); };
    return qRgb(channel(qRed(colour)), channel(qGreen(colour)), channel(qBlue(colour)));
}

QRgb Grey(QRgb colour) {
    const int g = qGray(colour);
    return qRgb(g, g, g);
}

// The ellipse inscribed in the client rectangle inset by `inset` pixels on
// every side; a pixel belongs to it when its centre does.
class EllipseArea {
public:
    EllipseArea(int width, int height, int inset)
        : cx_(width / 2.0)
        , cy_(height / 2.0)
        , empty_(width / 2.0 - inset <= 0.0 || height / 2.0 - inset <= 0.0)
        , invRx_(empty_ ? 0.0 : 1.0 / (width / 2.0 - inset))
        , invRy_(empty_ ? 0.0 : 1.0 / (height / 2.0 - inset)) {}

    [[nodiscard]] bool Empty() const { return empty_; }

    [[nodiscard]] bool Contains(int x, int y) const {
        const double dx = (x + 0.5 - cx_) * invRx_;
        const double dy = (y + 0.5 - cy_) * invRy_;
        return !empty_ && dx * dx + dy * dy <= 1.0;
    }

private:
    double cx_;
    double cy_;
    bool empty_;
    // Reciprocal semi-axes: the test runs for every pixel of every picture.
    double invRx_;
    double invRy_;
};

// The midpoint ellipse algorithm over the ellipse inscribed in the w x h
// rectangle at (left, top): semi-axes (w - 1) / 2 and (h - 1) / 2, centred in
// the rectangle, both regions, every traced point with its three mirror
// images. An even side puts the centre between two pixels, so the offsets
// from it run over halves there; the decisions use the exact implicit
// function, which is the same choice the incremental form makes.
template <class Plot>
void TraceEllipse(int left, int top, int w, int h, Plot plot) {
    if (w < 1 || h < 1) {
        return;
    }
    const double a = (w - 1) / 2.0;
    const double b = (h - 1) / 2.0;
    const double cx = left + a;
    const double cy = top + b;
    const double lowestY = h % 2 == 0 ? 0.5 : 0.0;
    const auto f = [a, b](double x, double y) {
        return b * b * x * x + a * a * y * y - a * a * b * b;
    };
    const auto plot4 = [&](double x, double y) {
        const int l = static_cast<int>(std::lround(cx - x));
        const int r = static_cast<int>(std::lround(cx + x));
        const int t = static_cast<int>(std::lround(cy - y));
        const int d = static_cast<int>(std::lround(cy + y));
        plot(l, t);
        plot(r, t);
        plot(l, d);
        plot(r, d);
    };
    double x = w % 2 == 0 ? 0.5 : 0.0;
    double y = b;
    // Region 1: the slope is flatter than -1, x steps every time.
    while (b * b * x < a * a * y) {
        plot4(x, y);
        if (f(x + 1.0, y - 0.5) > 0.0) {
            y -= 1.0;
        }
        x += 1.0;
    }
    // Region 2: y steps every time.
    while (y >= lowestY) {
        plot4(x, y);
        if (f(x + 0.5, y - 1.0) < 0.0 && x + 1.0 <= a) {
            x += 1.0;
        }
        y -= 1.0;
    }
}

class Renderer {
public:
    explicit Renderer(const HemisphereLook& look)
        : look_(look)
        , w_(look.width)
        , h_(look.height)
        , bevels_(BevelCount(look))
        , control_(w_, h_, 0)
        , mask1_(w_, h_, bevels_ > 0 ? look.bevelWidth : 0)
        , mask2_(w_, h_, bevels_ * look.bevelWidth) {}

    HemispherePictures Run() {
        pictures_.out = QImage(w_, h_, QImage::Format_RGB32);
        pictures_.out.fill(Qt::black);
        pictures_.in = pictures_.out.copy();
        pictures_.mask = QImage(w_, h_, QImage::Format_RGB32);
        pictures_.mask.fill(Qt::white);
        // Raw rows: QImage::scanLine checks for sharing on every call.
        stride_ = static_cast<int>(pictures_.out.bytesPerLine() / qsizetype{sizeof(QRgb)});
        out_ = reinterpret_cast<QRgb*>(pictures_.out.bits());
        in_ = reinterpret_cast<QRgb*>(pictures_.in.bits());
        mask_ = reinterpret_cast<QRgb*>(pictures_.mask.bits());
        for (int y = 0; y < h_; ++y) {
            for (int x = 0; x < w_; ++x) {
                if (control_.Contains(x, y)) {
                    At(mask_, x, y) = qRgb(0, 0, 0);
                }
            }
        }
        DrawFace();
        DrawRings();
        DrawCaption();
        DrawBorder();
        return std::move(pictures_);
    }

private:
    [[nodiscard]] bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < w_ && y < h_; }

    [[nodiscard]] QRgb& At(QRgb* picture, int x, int y) const { return picture[y * stride_ + x]; }

    // Rings go from the outside in: the first present bevel lies between the
    // control ellipse and the first face mask, the second between the two
    // face masks, so the rings and the face tile the button.
    void DrawRings() {
        const int bw = look_.bevelWidth;
        int slot = 0;
        for (HemisphereRing ring : {look_.bevelOuter, look_.bevelInner}) {
            if (ring == HemisphereRing::None) {
                continue;
            }
            const int inset = slot == 0 ? bw / 2 : (3 * bw + 1) / 2;
            DrawRing(ring, inset, slot == 0 ? control_ : mask1_, slot == 0 ? mask1_ : mask2_);
            ++slot;
        }
    }

    void DrawRing(HemisphereRing ring, int inset, const EllipseArea& outside,
                  const EllipseArea& inside) {
        const int half = (look_.bevelWidth + 1) / 2 + 1;
        const double sign = ring == HemisphereRing::Raised ? 1.0 : -1.0;
        const double cx = w_ / 2.0;
        const double cy = h_ / 2.0;
        // The squares overlap heavily; each pixel is shaded once.
        std::vector<bool> shaded(static_cast<std::size_t>(w_) * static_cast<std::size_t>(h_));
        const auto shadeAround = [&](int px, int py) {
            for (int y = py - half; y <= py + half; ++y) {
                for (int x = px - half; x <= px + half; ++x) {
                    if (!Inside(x, y)) {
                        continue;
                    }
                    const auto index = static_cast<std::size_t>(y * w_ + x);
                    if (shaded[index]) {
                        continue;
                    }
                    shaded[index] = true;
                    if (!outside.Contains(x, y) || inside.Contains(x, y)) {
                        continue;
                    }
                    // A raised ring faces away from the centre, a lowered
                    // one toward it.
                    const double i = x + 0.5 - cx;
                    const double j = y + 0.5 - cy;
                    const double r = std::sqrt(i * i + j * j);
                    double lit = kLight;
                    if (r > 0.0) {
                        const double f = std::sqrt(2.0 * r * r);
                        lit = Lit(sign * i / f, sign * j / f, r / f);
                    }
                    const int g = Clamp255(RoundEven(128.0 * lit) + 128);
                    At(out_, x, y) |= qRgb(g, g, g);
                    At(in_, x, y) |= qRgb(g, g, g);
                }
            }
        };
        TraceEllipse(inset, inset, w_ - 2 * inset, h_ - 2 * inset, shadeAround);
    }

    // A cone rather than a sphere: the normal's z falls linearly from the
    // centre, which keeps the rim from going black.
    void DrawFace() {
        if (mask2_.Empty()) {
            return;
        }
        const int inset = bevels_ * look_.bevelWidth;
        const double faceWidth = w_ - inset;
        const int faceHeight = h_ - inset;
        const double cx = w_ / 2.0;
        const double cy = h_ / 2.0;
        for (int j = 0; j <= faceHeight / 2; ++j) {
            const double ny = j / cy;
            const int halfWidth = static_cast<int>(
                std::ceil(std::sqrt(std::max(0.0, 1.0 - ny * ny)) * faceWidth / 2.0));
            if (halfWidth <= 1) {
                continue;
            }
            const int top = static_cast<int>(std::ceil(cy - j)) - 1;
            const int bottom = static_cast<int>(std::floor(cy + j));
            for (int i = 0; i <= halfWidth; ++i) {
                const double nx = i / cx;
                const double nz = 1.0 - std::sqrt(nx * nx + ny * ny);
                const int left = static_cast<int>(std::ceil(cx - i)) - 1;
                const int right = static_cast<int>(std::floor(cx + i));
                ColourFacePixel(left, top, -nx, -ny, nz);
                ColourFacePixel(right, top, nx, -ny, nz);
                ColourFacePixel(left, bottom, -nx, ny, nz);
                ColourFacePixel(right, bottom, nx, ny, nz);
            }
        }
    }

    // The glyph colour under face pixel (x, y) with normal (nx, ny, nz), when
    // the glyph covers it.
    [[nodiscard]] bool GlyphAt(int x, int y, double nx, double ny, double nz, QRgb& colour) const {
        const QImage& glyph = look_.glyph;
        if (glyph.isNull() || look_.numGlyphs < 1) {
            return false;
        }
        const int cellWidth = glyph.width() / look_.numGlyphs;
        const int cellHeight = glyph.height();
        const int cellLeft = (look_.glyphIndex - 1) * cellWidth;
        int column = 0;
        int row = 0;
        if (look_.glyphMapped) {
            column = static_cast<int>(
                std::floor(std::atan2(nz, -nx) * (cellWidth - 1) / std::numbers::pi));
            row = static_cast<int>(
                std::floor(std::atan2(nz, -ny) * (cellHeight - 1) / std::numbers::pi));
        } else {
            column = static_cast<int>(std::floor(cellWidth / 2.0 + x - w_ / 2.0));
            row = static_cast<int>(std::floor(cellHeight / 2.0 + y - h_ / 2.0));
        }
        // Never read outside the cell nor outside the strip.
        if (column < 0 || column >= cellWidth || row < 0 || row >= cellHeight || cellLeft < 0 ||
            cellLeft + column >= glyph.width()) {
            return false;
        }
        const QRgb pixel =
            reinterpret_cast<const QRgb*>(glyph.constScanLine(row))[cellLeft + column];
        if (look_.glyphTransparent && pixel == transparent_) {
            return false;
        }
        colour = pixel;
        return true;
    }

    void ColourFacePixel(int x, int y, double nx, double ny, double nz) {
        if (!Inside(x, y) || !mask2_.Contains(x, y)) {
            return;
        }
        QRgb colour = 0;
        bool shaded = look_.glyphShaded;
        if (!GlyphAt(x, y, nx, ny, nz, colour)) {
            if (look_.faceTransparent) {
                At(mask_, x, y) = qRgb(255, 255, 255);
                return;
            }
            colour = qRgb(look_.faceRed, look_.faceGreen, look_.faceBlue);
            shaded = look_.faceShaded;
        }
        if (look_.greyed) {
            colour = Grey(colour);
        }
        if (shaded) {
            const double s = Lit(nx, ny, nz) * look_.attenControl;
            At(out_, x, y) = Shade(colour, s);
            At(in_, x, y) = Shade(colour, -s);
        } else {
            At(out_, x, y) = colour;
            At(in_, x, y) = colour;
        }
    }

    // The control's font, made narrower and then smaller only when the
    // caption would stick out of the face where its letters stand.
    [[nodiscard]] QFont CaptionFont() const {
        const double rx = w_ / 2.0 - bevels_ * look_.bevelWidth;
        const double ry = h_ / 2.0 - bevels_ * look_.bevelWidth;
        const auto fits = [&](const QFont& font) {
            const QFontMetrics metrics(font, &pictures_.out);
            const double half = metrics.ascent() / 2.0;
            const double chord =
                half < ry ? 2.0 * rx * std::sqrt(1.0 - (half / ry) * (half / ry)) : 0.0;
            return metrics.horizontalAdvance(look_.caption) <= chord - 2 * kCaptionMargin;
        };
        QFont font = look_.font;
        if (rx <= 0.0 || ry <= 0.0 || fits(font)) {
            return font;
        }
        // Narrower letters first, so that a long caption keeps the height of
        // its neighbours'.
        for (int stretch : {QFont::SemiCondensed, QFont::Condensed}) {
            font.setStretch(stretch);
            if (fits(font)) {
                return font;
            }
        }
        for (int pixels = QFontInfo(font).pixelSize() - 1;
             pixels >= kSmallestCaptionPixels && !fits(font); --pixels) {
            font.setPixelSize(pixels);
        }
        return font;
    }

    void DrawCaption() {
        if (look_.caption.isEmpty()) {
            return;
        }
        const QFont font = CaptionFont();
        const QFontMetrics metrics(font, &pictures_.out);
        const int x = RoundEven((w_ - metrics.horizontalAdvance(look_.caption) - 2) / 2.0);
        const int y = RoundEven((h_ - metrics.height() - 2) / 2.0) + metrics.ascent();
        const auto write = [&](QImage& image, const QColor& colour, int shift) {
            QPainter painter(&image);
            painter.setFont(font);
            painter.setPen(colour);
            painter.drawText(x + shift, y + shift, look_.caption);
        };
        for (QImage* picture : {&pictures_.out, &pictures_.in}) {
            if (look_.greyed) {
                // Etched in grey over a white shadow: inactive, yet legible
                // on the light and on the dark side of the face.
                write(*picture, Qt::white, 1);
                write(*picture, QColor(128, 128, 128), 0);
            } else {
                write(*picture, look_.textColor, 0);
            }
        }
        if (look_.faceTransparent) {
            write(pictures_.mask, Qt::black, 0);
        }
    }

    void DrawBorder() {
        if (!look_.borderSingle) {
            return;
        }
        const int inset = bevels_ * look_.bevelWidth;
        const QRgb colour = look_.borderColor.rgb();
        TraceEllipse(inset, inset, w_ - 2 * inset, h_ - 2 * inset, [&](int x, int y) {
            if (Inside(x, y)) {
                At(out_, x, y) = colour;
                At(in_, x, y) = colour;
            }
        });
    }

    const HemisphereLook& look_;
    int w_;
    int h_;
    int bevels_;
    EllipseArea control_;
    EllipseArea mask1_;
    EllipseArea mask2_;
    // The glyph's transparent colour: the bottom-left pixel of the whole strip.
    QRgb transparent_ = look_.glyph.isNull() ? 0 : look_.glyph.pixel(0, look_.glyph.height() - 1);
    HemispherePictures pictures_;
    int stride_ = 0;
    QRgb* out_ = nullptr;
    QRgb* in_ = nullptr;
    QRgb* mask_ = nullptr;
};

} // namespace

int BevelCount(const HemisphereLook& look) {
    return (look.bevelOuter != HemisphereRing::None ? 1 : 0) +
           (look.bevelInner != HemisphereRing::None ? 1 : 0);
}

HemispherePictures RenderHemisphere(const HemisphereLook& look) {
    if (look.width < 2 || look.height < 2) {
        return {};
    }
    if (!look.glyph.isNull() && look.glyph.format() != QImage::Format_RGB32) {
        HemisphereLook opaque = look;
        opaque.glyph = look.glyph.convertToFormat(QImage::Format_RGB32);
        return Renderer(opaque).Run();
    }
    return Renderer(look).Run();
}

QImage ComposeThroughMask(const QImage& picture, const QImage& mask) {
    QImage composed(picture.size(), QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < picture.height(); ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        const auto* cut = reinterpret_cast<const QRgb*>(mask.constScanLine(y));
        auto* to = reinterpret_cast<QRgb*>(composed.scanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            const int alpha = 255 - qRed(cut[x]);
            const QRgb c = from[x];
            to[x] = qRgba(qRed(c) * alpha / 255, qGreen(c) * alpha / 255, qBlue(c) * alpha / 255,
                          alpha);
        }
    }
    return composed;
}

} // namespace trx
