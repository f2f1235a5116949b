#include "analysis/ui/TAnalyserBox.h"
#include "analysis/ui/TKeyboardPicture.h"
#include "analysis/ui/TNoteMapBox.h"
#include "common/Constants.h"
#include "editor/NoteRows.h"
#include "support/RecordingProgress.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include <array>
#include <string>
#include <vector>

using namespace trx;

namespace {

class PaintCount : public QObject {
public:
    int Paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        Paints += event->type() == QEvent::Paint ? 1 : 0;
        return QObject::eventFilter(watched, event);
    }
};

using trx::test::RecordingProgress;

int NoteY(int bin) {
    return GetNoteY(static_cast<std::uint16_t>(bin));
}

QRgb Grey(int level) {
    return qRgb(level, level, level);
}

// The map box as it paints after a finished analysis of sliceCount slices.
QImage PaintedMap(TNoteMapBox& box, std::int32_t sliceCount, bool busy = false,
                  std::int32_t lastAnalysedSlice = 1) {
    box.SetStateSource([=] { return MapPaintState{sliceCount, lastAnalysedSlice, busy}; });
    return box.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

bool AllBlack(const QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != qRgb(0, 0, 0)) {
                return false;
            }
        }
    }
    return true;
}

// What the top-level analyser window last put on screen.
QImage OnScreen(QWidget& window) {
    return window.screen()
        ->grabWindow(window.winId())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

} // namespace

class AnalysisPicturesTest : public QObject {
    Q_OBJECT

private slots:
    void loudestNoteIsWhiteAndSilenceBlackAtTheirKeyboardRows();
    void levelsRoundHalvesToEvenAndLouderThanMaximumIsWhite();
    void progressNamesTheMapAndRunsOncePerBin();
    void mapIsBlackBeforeTheFirstConversionAndWhileAnalysing();
    void silentResultWithZeroMaximumLeavesTheMapBlack();
    void longRecordingMakesAWideMap();
    void rawBarsAreRedAndKeptBarsWhite();
    void keptPassShowsTheAnalyserAtOnceAndARepaintClearsIt();
    void keyboardKeysMeetTheMapRows();
};

void AnalysisPicturesTest::loudestNoteIsWhiteAndSilenceBlackAtTheirKeyboardRows() {
    TNoteMapBox box;
    box.CreateFourierMap(4);
    FloatMatrix noteMap(4, kNoteBins);
    noteMap(0, 0) = 10.0f;   // lowest bin, loudest
    noteMap(2, 106) = 10.0f; // highest bin, loudest
    noteMap(3, 50) = 10.0f;
    RecordingProgress progress;
    box.DrawNoteMap(noteMap, 10.0f, 4, progress);

    QCOMPARE(box.FourierBitmap().size(), QSize(5, 109));
    QCOMPARE(box.width(), 4);
    const QImage painted = PaintedMap(box, 4);
    QCOMPARE(painted.size(), QSize(4, 512));

    // Bin 0 at y 507..508, bin 106 at y 11..12, each cell on both pixel rows.
    QCOMPARE(painted.pixel(0, 507), Grey(255));
    QCOMPARE(painted.pixel(0, 508), Grey(255));
    QCOMPARE(painted.pixel(1, 507), Grey(0));
    QCOMPARE(painted.pixel(2, 11), Grey(255));
    QCOMPARE(painted.pixel(2, 12), Grey(255));
    QCOMPARE(painted.pixel(3, NoteY(50)), Grey(255));
    // Outside the two rows of a bin the picture stays black.
    QCOMPARE(painted.pixel(0, 506), Grey(0));
    QCOMPARE(painted.pixel(3, NoteY(50) - 1), Grey(0));

    // Octave lines between each B and the C above, across the whole width.
    const QRgb octaveLine = qRgb(80, 96, 80);
    for (int o = 0; o <= 8; ++o) {
        const int y = NoteY(12 * o + 2) - 4;
        QCOMPARE(painted.pixel(0, y), octaveLine);
        QCOMPARE(painted.pixel(3, y), octaveLine);
    }
    QCOMPARE(NoteY(2) - 4, 495);
    QCOMPARE(painted.pixel(1, 496), Grey(0));
}

void AnalysisPicturesTest::levelsRoundHalvesToEvenAndLouderThanMaximumIsWhite() {
    TNoteMapBox box;
    box.CreateFourierMap(5);
    FloatMatrix noteMap(5, kNoteBins);
    // Maximum 10 gives a scale of 25.5: 5 x 25.5 = 127.5 rounds to 128,
    // 3 x 25.5 = 76.5 to 76; 20 and 1e30 lie above the maximum.
    noteMap(0, 30) = 5.0f;
    noteMap(1, 30) = 3.0f;
    noteMap(2, 30) = 20.0f;
    noteMap(3, 30) = 1e30f;
    noteMap(4, 30) = 0.01f;
    RecordingProgress progress;
    box.DrawNoteMap(noteMap, 10.0f, 5, progress);

    const QImage& bitmap = box.FourierBitmap();
    QCOMPARE(qGray(bitmap.pixel(0, 30)), 128);
    QCOMPARE(qGray(bitmap.pixel(1, 30)), 76);
    QCOMPARE(qGray(bitmap.pixel(2, 30)), 255);
    QCOMPARE(qGray(bitmap.pixel(3, 30)), 255);
    QCOMPARE(qGray(bitmap.pixel(4, 30)), 0);
    QCOMPARE(PaintedMap(box, 5).pixel(0, NoteY(30) + 1), Grey(128));

    // Redrawing clears the previous result: the cells are gone now.
    noteMap.Fill(0.0f);
    box.DrawNoteMap(noteMap, 10.0f, 5, progress);
    QVERIFY(AllBlack(box.FourierBitmap().convertToFormat(QImage::Format_RGB32)));
}

void AnalysisPicturesTest::progressNamesTheMapAndRunsOncePerBin() {
    TNoteMapBox box;
    box.CreateFourierMap(2);
    RecordingProgress progress;
    box.DrawNoteMap(FloatMatrix(2, kNoteBins), 1.0f, 2, progress);
    QCOMPARE(progress.statusTexts, std::vector<std::string>{"Creating analysis map"});
    QCOMPARE(progress.fractions.size(), std::size_t{107});
    QCOMPARE(progress.fractions.front(), 0.0);
    QCOMPARE(progress.fractions[53], 0.5);
    QCOMPARE(progress.fractions.back(), 1.0);
    QCOMPARE(progress.resets, 1);
}

void AnalysisPicturesTest::mapIsBlackBeforeTheFirstConversionAndWhileAnalysing() {
    TNoteMapBox box;
    // An opened file: a one-column picture and an empty box.
    box.CreateFourierMap(0);
    QCOMPARE(box.FourierBitmap().size(), QSize(1, 109));
    QCOMPARE(box.width(), 0);

    box.CreateFourierMap(20);
    FloatMatrix noteMap(20, kNoteBins);
    noteMap.Fill(1.0f);
    RecordingProgress progress;
    box.DrawNoteMap(noteMap, 1.0f, 20, progress);
    // Analysis running: neither the picture nor the octave lines show.
    QVERIFY(AllBlack(PaintedMap(box, 20, true, 0)));
    QVERIFY(AllBlack(PaintedMap(box, 20, true, 9)));
    // Without any state the box paints as before any analysis.
    box.SetStateSource({});
    QVERIFY(AllBlack(box.grab().toImage().convertToFormat(QImage::Format_RGB32)));
    QCOMPARE(PaintedMap(box, 20).pixel(7, NoteY(7)), Grey(255));
}

void AnalysisPicturesTest::silentResultWithZeroMaximumLeavesTheMapBlack() {
    TNoteMapBox box;
    box.CreateFourierMap(3);
    FloatMatrix noteMap(3, kNoteBins);
    noteMap(1, 40) = 5.0f;
    RecordingProgress progress;
    box.DrawNoteMap(noteMap, 0.0f, 3, progress);
    QVERIFY(AllBlack(box.FourierBitmap().convertToFormat(QImage::Format_RGB32)));
    QCOMPARE(progress.resets, 1);
    // A tiny maximum makes the scale overflow: still no crash, loud cells white.
    box.DrawNoteMap(noteMap, 1e-44f, 3, progress);
    QCOMPARE(qGray(box.FourierBitmap().pixel(1, 40)), 255);
    QCOMPARE(qGray(box.FourierBitmap().pixel(0, 40)), 0);
}

void AnalysisPicturesTest::longRecordingMakesAWideMap() {
    TNoteMapBox box;
    box.CreateFourierMap(3000);
    QCOMPARE(box.width(), 3000);
    QCOMPARE(box.FourierBitmap().size(), QSize(3001, 109));
    FloatMatrix noteMap(3000, kNoteBins);
    noteMap(2999, 0) = 2.0f;
    noteMap(1500, 106) = 2.0f;
    RecordingProgress progress;
    box.DrawNoteMap(noteMap, 2.0f, 3000, progress);
    const QImage painted = PaintedMap(box, 3000);
    QCOMPARE(painted.width(), 3000);
    QCOMPARE(painted.pixel(2999, 507), Grey(255));
    QCOMPARE(painted.pixel(1500, 11), Grey(255));
    QCOMPARE(painted.pixel(2999, 495), qRgb(80, 96, 80));
}

void AnalysisPicturesTest::rawBarsAreRedAndKeptBarsWhite() {
    TAnalyserBox box;
    box.BeginAnalyserRun(9);
    QCOMPARE(box.AnalyserBitmap().size(), QSize(65, 513));

    std::array<float, kNoteBins> raw{};
    raw[5] = 30.0f; // below the first analysed bin: not drawn
    raw[20] = 2.5f; // halves to even: 2 pixels
    raw[21] = 3.5f; // 4 pixels
    raw[30] = 1e9f; // cut at the edge
    raw[40] = 10.0f;
    raw[50] = 10.0f;
    box.DrawAnalyser(raw, AnalyserPass::Raw);

    std::array<float, kNoteBins> kept{};
    kept[2] = 4.0f;  // the kept pass covers every bin
    kept[40] = 6.0f; // shorter than measured: red beyond the white
    // bin 50 removed by filtering: its red bar stays
    box.DrawAnalyser(kept, AnalyserPass::Kept);

    const QImage& bitmap = box.AnalyserBitmap();
    const QRgb red = qRgb(255, 0, 0);
    const QRgb white = qRgb(255, 255, 255);
    const QRgb black = qRgb(0, 0, 0);
    QCOMPARE(bitmap.pixel(0, NoteY(5)), black);
    QCOMPARE(bitmap.pixel(1, NoteY(20)), red);
    QCOMPARE(bitmap.pixel(2, NoteY(20)), black);
    QCOMPARE(bitmap.pixel(3, NoteY(21)), red);
    QCOMPARE(bitmap.pixel(4, NoteY(21)), black);
    QCOMPARE(bitmap.pixel(64, NoteY(30)), red);
    QCOMPARE(bitmap.pixel(3, NoteY(2)), white);
    QCOMPARE(bitmap.pixel(4, NoteY(2)), black);
    QCOMPARE(bitmap.pixel(5, NoteY(40)), white);
    QCOMPARE(bitmap.pixel(6, NoteY(40)), red);
    QCOMPARE(bitmap.pixel(10, NoteY(40)), black);
    QCOMPARE(bitmap.pixel(0, NoteY(50)), red);
    QCOMPARE(bitmap.pixel(0, NoteY(50) + 1), black);

    // The next slice's raw pass clears what the last one left.
    raw.fill(0.0f);
    raw[2] = 8.0f; // below the first analysed bin: the white bar stays
    box.DrawAnalyser(raw, AnalyserPass::Raw);
    QCOMPARE(box.AnalyserBitmap().pixel(0, NoteY(40)), black);
    QCOMPARE(box.AnalyserBitmap().pixel(0, NoteY(50)), black);
    QCOMPARE(box.AnalyserBitmap().pixel(0, NoteY(2)), white);

    box.EndAnalyserRun();
    QVERIFY(box.AnalyserBitmap().isNull());
}

void AnalysisPicturesTest::keptPassShowsTheAnalyserAtOnceAndARepaintClearsIt() {
    TAnalyserBox box;
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    box.BeginAnalyserRun(8);
    std::array<float, kNoteBins> row{};
    row[48] = 20.0f;
    box.DrawAnalyser(row, AnalyserPass::Raw);
    row[48] = 12.0f;
    // No event loop runs between the pass and the look at the screen.
    box.DrawAnalyser(row, AnalyserPass::Kept);
    const QImage shown = OnScreen(box);
    QCOMPARE(shown.pixel(11, NoteY(48)), qRgb(255, 255, 255));
    QCOMPARE(shown.pixel(12, NoteY(48)), qRgb(255, 0, 0));
    QCOMPARE(shown.pixel(20, NoteY(48)), qRgb(0, 0, 0));

    box.repaint();
    QVERIFY(AllBlack(OnScreen(box)));
    QVERIFY(AllBlack(box.grab().toImage().convertToFormat(QImage::Format_RGB32)));

    // A fast run reaches the screen at the display's pace, yet every slice
    // is drawn into the bitmap.
    PaintCount paints;
    box.installEventFilter(&paints);
    box.BeginAnalyserRun(8);
    QElapsedTimer run;
    run.start();
    for (int slice = 0; slice < 500; ++slice) {
        row.fill(0.0f);
        row[20 + slice % 80] = 30.0f;
        box.DrawAnalyser(row, AnalyserPass::Raw);
        box.DrawAnalyser(row, AnalyserPass::Kept);
    }
    QVERIFY(paints.Paints >= 1);
    QVERIFY2(paints.Paints <= 1 + run.elapsed() / TAnalyserBox::kFrameInterval,
             qPrintable(QString::number(paints.Paints)));
    QCOMPARE(box.AnalyserBitmap().pixel(29, NoteY(20 + 499 % 80)), qRgb(255, 255, 255));
    QCOMPARE(box.AnalyserBitmap().pixel(29, NoteY(20 + 498 % 80)), qRgb(0, 0, 0));
}

void AnalysisPicturesTest::keyboardKeysMeetTheMapRows() {
    const QImage keyboard = TKeyboardPicture::DrawKeyboard();
    QCOMPARE(keyboard.size(), QSize(64, 512));
    // Sharps: A#, C#, D#, F#, G# within each octave from A.
    const std::array<bool, 12> sharp{false, true,  false, false, true,  false,
                                     true,  false, false, true,  false, true};
    for (int bin = 0; bin < kNoteBins; ++bin) {
        const int y = NoteY(bin);
        if (sharp[static_cast<std::size_t>(bin % 12)]) {
            QVERIFY2(keyboard.pixel(20, y) == qRgb(0, 0, 0), qPrintable(QString::number(bin)));
        } else {
            // A natural note's row runs through the middle of its white key.
            QVERIFY2(keyboard.pixel(20, y) == qRgb(255, 255, 255),
                     qPrintable(QString::number(bin)));
            QVERIFY(keyboard.pixel(50, y) == qRgb(255, 255, 255));
        }
    }
    // Lines between the white keys every 8 pixels.
    QCOMPARE(keyboard.pixel(50, 511), qRgb(0, 0, 0));
    QCOMPARE(keyboard.pixel(50, 495), qRgb(0, 0, 0));
}

QTEST_MAIN(AnalysisPicturesTest)
#include "AnalysisPicturesTest.moc"
