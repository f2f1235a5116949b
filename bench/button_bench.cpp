// Rendering of one round button, as every appearance change costs it: the
// 50 x 31 command button of the main window (one lowered ring, a caption)
// and a 200 x 200 button with both rings, a border and a mapped glyph.
// A window of ten buttons renders each once when first shown.

#include "controls/ui/HemisphereRender.h"

#include <QGuiApplication>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

void BM_CommandButton(benchmark::State& state) {
    trx::HemisphereLook look;
    look.width = 50;
    look.height = 31;
    look.faceRed = 240;
    look.faceGreen = 202;
    look.faceBlue = 166;
    look.caption = QStringLiteral("Convert");
    QFont font = look.font;
    font.setPointSize(8);
    look.font = font;
    for (auto _ : state) {
        benchmark::DoNotOptimize(trx::RenderHemisphere(look));
    }
}

void BM_LargeButton(benchmark::State& state) {
    trx::HemisphereLook look;
    look.width = 200;
    look.height = 200;
    look.bevelOuter = trx::HemisphereRing::Raised;
    look.bevelInner = trx::HemisphereRing::Lowered;
    look.bevelWidth = 6;
    look.borderSingle = true;
    look.caption = QStringLiteral("Accept");
    QImage glyph(64, 64, QImage::Format_RGB32);
    glyph.fill(Qt::magenta);
    QPainter(&glyph).fillRect(16, 16, 32, 32, Qt::darkBlue);
    look.glyph = glyph;
    look.glyphMapped = true;
    for (auto _ : state) {
        benchmark::DoNotOptimize(trx::RenderHemisphere(look));
    }
}

} // namespace

BENCHMARK(BM_CommandButton)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LargeButton)->Unit(benchmark::kMicrosecond);

// Captions need the font database of a GUI application; no display needed.
int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
