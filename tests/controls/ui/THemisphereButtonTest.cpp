#include "controls/ui/THemisphereButton.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

using trx::HemisphereLook;
using trx::HemisphereRing;
using trx::RenderHemisphere;
using trx::THemisphereButton;

namespace {

// Mouse events delivered straight to the button, as the window system does
// while the button holds the implicit grab of a press.
void Send(THemisphereButton& button, QEvent::Type type, QPoint at,
          Qt::MouseButton changed = Qt::LeftButton) {
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Qt::LeftButton);
    QMouseEvent event(type, QPointF(at), button.mapToGlobal(QPointF(at)),
                      type == QEvent::MouseMove ? Qt::NoButton : changed, held, Qt::NoModifier);
    QApplication::sendEvent(&button, &event);
}

void Click(THemisphereButton& button, QPoint at) {
    Send(button, QEvent::MouseButtonPress, at);
    Send(button, QEvent::MouseButtonRelease, at);
}

int Brightness(const QImage& image, int x, int y) {
    return qGray(image.pixel(x, y));
}

// A strip of two 16 x 16 glyphs on magenta, the strip's bottom-left colour:
// a white square, then a dark blue cross whose own bottom-left pixel is
// yellow.
QImage TwoGlyphStrip() {
    QImage strip(32, 16, QImage::Format_RGB32);
    strip.fill(Qt::magenta);
    QPainter painter(&strip);
    painter.fillRect(2, 2, 12, 12, Qt::white);
    painter.fillRect(22, 2, 4, 12, Qt::darkBlue);
    painter.fillRect(18, 6, 12, 4, Qt::darkBlue);
    painter.fillRect(16, 15, 1, 1, Qt::yellow);
    return strip;
}

// Out, in and mask side by side.
QImage Sheet(const trx::HemispherePictures& pictures) {
    const int w = pictures.out.width();
    QImage sheet(3 * w, pictures.out.height(), QImage::Format_RGB32);
    QPainter painter(&sheet);
    painter.drawImage(0, 0, pictures.out);
    painter.drawImage(w, 0, pictures.in);
    painter.drawImage(2 * w, 0, pictures.mask);
    return sheet;
}

} // namespace

class THemisphereButtonTest : public QObject {
    Q_OBJECT

private slots:
    // A 50 x 31 command button with its one lowered bevel of 2 pixels: the
    // face ellipse has semi-axes 23 and 13.5 around (25, 15.5).
    void CornersAndBevelRingMissTheFace() {
        THemisphereButton button;
        button.resize(50, 31);
        QVERIFY(button.HitTest({25, 15}));
        QVERIFY(!button.HitTest({0, 0}));
        QVERIFY(!button.HitTest({49, 30}));
        QVERIFY(!button.HitTest({3, 3}));
        QVERIFY(!button.HitTest({1, 15})); // on the bevel ring
        QVERIFY(button.HitTest({3, 15}));
        QVERIFY(!button.HitTest({25, 1})); // (1 - 15.5) / 13.5 < -1

        button.SetBevelOuter(THemisphereButton::THemisphereBevel::hbNone);
        QVERIFY(button.HitTest({1, 15}));
        button.SetBevelOuter(THemisphereButton::THemisphereBevel::hbRaised);
        button.SetBevelInner(THemisphereButton::THemisphereBevel::hbLowered);
        QVERIFY(!button.HitTest({3, 15})); // two rings of 2 pixels now
        QVERIFY(button.HitTest({5, 15}));

        button.SetBevelWidth(0); // ignored: the rings stay 2 pixels wide
        QVERIFY(!button.HitTest({3, 15}));

        THemisphereButton tiny;
        tiny.resize(4, 4);
        QVERIFY(!tiny.HitTest({2, 2}));
    }

    void ClickInsideClicksOnceAndEndsUp() {
        THemisphereButton button;
        button.resize(50, 31);
        QSignalSpy clicks(&button, &THemisphereButton::clicked);
        Send(button, QEvent::MouseButtonPress, {25, 15});
        QVERIFY(button.Down());
        QCOMPARE(clicks.count(), 0);
        Send(button, QEvent::MouseButtonRelease, {25, 15});
        QCOMPARE(clicks.count(), 1);
        QVERIFY(!button.Down());
    }

    void PressOnACornerDoesNothing() {
        THemisphereButton button;
        button.resize(50, 31);
        QSignalSpy clicks(&button, &THemisphereButton::clicked);
        Send(button, QEvent::MouseButtonPress, {1, 1});
        QVERIFY(!button.Down());
        Send(button, QEvent::MouseButtonRelease, {25, 15});
        QCOMPARE(clicks.count(), 0);
    }

    void DraggingOutPopsUpAndReleasingOutsideGivesNoClick() {
        THemisphereButton button;
        button.resize(50, 31);
        QSignalSpy clicks(&button, &THemisphereButton::clicked);
        Send(button, QEvent::MouseButtonPress, {25, 15});
        Send(button, QEvent::MouseMove, {60, 15});
        QVERIFY(!button.Down());
        Send(button, QEvent::MouseMove, {20, 12});
        QVERIFY(button.Down());
        Send(button, QEvent::MouseMove, {1, 1});
        QVERIFY(!button.Down());
        Send(button, QEvent::MouseButtonRelease, {1, 1});
        QCOMPARE(clicks.count(), 0);
        QVERIFY(!button.Down());

        // Back inside before the release: the press still counts.
        Send(button, QEvent::MouseButtonPress, {25, 15});
        Send(button, QEvent::MouseMove, {60, 15});
        Send(button, QEvent::MouseMove, {25, 15});
        Send(button, QEvent::MouseButtonRelease, {25, 15});
        QCOMPARE(clicks.count(), 1);

        // Released outside with no move on the way out: still no click, up.
        Send(button, QEvent::MouseButtonPress, {25, 15});
        Send(button, QEvent::MouseButtonRelease, {200, 200});
        QCOMPARE(clicks.count(), 1);
        QVERIFY(!button.Down());
    }

    void OtherMouseButtonsAndDisabledButtonsDoNotPress() {
        THemisphereButton button;
        button.resize(50, 31);
        QSignalSpy clicks(&button, &THemisphereButton::clicked);
        Send(button, QEvent::MouseButtonPress, {25, 15}, Qt::RightButton);
        QVERIFY(!button.Down());
        Send(button, QEvent::MouseButtonRelease, {25, 15}, Qt::RightButton);
        QCOMPARE(clicks.count(), 0);

        button.setEnabled(false);
        Click(button, {25, 15});
        QCOMPARE(clicks.count(), 0);
        QVERIFY(!button.Down());
    }

    void HidingDuringAPressCancelsIt() {
        QWidget window;
        auto* button = new THemisphereButton(&window);
        button->resize(50, 31);
        window.show();
        QSignalSpy clicks(button, &THemisphereButton::clicked);
        Send(*button, QEvent::MouseButtonPress, {25, 15});
        button->hide();
        QVERIFY(!button->Down());
        button->show();
        Send(*button, QEvent::MouseButtonRelease, {25, 15});
        QCOMPARE(clicks.count(), 0);
    }

    void DoubleClickClicksTwiceAndReportsTheDoubleClick() {
        THemisphereButton button;
        button.resize(50, 31);
        QSignalSpy clicks(&button, &THemisphereButton::clicked);
        QSignalSpy doubles(&button, &THemisphereButton::doubleClicked);
        Click(button, {25, 15});
        Send(button, QEvent::MouseButtonDblClick, {25, 15});
        Send(button, QEvent::MouseButtonRelease, {25, 15});
        QCOMPARE(clicks.count(), 2);
        QCOMPARE(doubles.count(), 1);
    }

    void GroupedButtonsToggleLikeRadioButtons() {
        QWidget window;
        auto* left = new THemisphereButton(&window);
        auto* right = new THemisphereButton(&window);
        auto* other = new THemisphereButton(&window); // another group
        for (THemisphereButton* b : {left, right, other}) {
            b->resize(40, 40);
        }
        left->SetGroupIndex(1);
        right->SetGroupIndex(1);
        other->SetGroupIndex(2);
        other->SetDown(true);

        Click(*left, {20, 20});
        QVERIFY(left->Down());
        Click(*right, {20, 20});
        QVERIFY(right->Down());
        QVERIFY(!left->Down());
        QVERIFY(other->Down());

        // Without AllowAllUp the down button of the group stays down.
        Click(*right, {20, 20});
        QVERIFY(right->Down());

        left->SetAllowAllUp(true);
        QVERIFY(right->AllowAllUp());
        QVERIFY(!other->AllowAllUp());
        Click(*right, {20, 20});
        QVERIFY(!right->Down());
        QVERIFY(!left->Down());
    }

    void NothingBelowTwoPixelsAndNoFaceInsideWideBevels() {
        HemisphereLook look;
        look.width = 1;
        look.height = 20;
        QVERIFY(RenderHemisphere(look).out.isNull());
        look.width = 20;
        look.height = 1;
        QVERIFY(RenderHemisphere(look).mask.isNull());
        look.height = 2;
        QVERIFY(!RenderHemisphere(look).out.isNull());

        // Two rings of 6 pixels leave nothing of a 20 x 20 face: rings only.
        look.height = 20;
        look.bevelInner = HemisphereRing::Raised;
        look.bevelWidth = 6;
        look.faceRed = 200;
        look.faceGreen = 10;
        look.faceBlue = 10;
        const QImage out = RenderHemisphere(look).out;
        for (int y = 0; y < 20; ++y) {
            for (int x = 0; x < 20; ++x) {
                const QRgb c = out.pixel(x, y);
                QVERIFY(qRed(c) == qGreen(c) && qGreen(c) == qBlue(c));
            }
        }
        THemisphereButton button;
        button.resize(20, 20);
        button.SetBevelInner(THemisphereButton::THemisphereBevel::hbRaised);
        button.SetBevelWidth(6);
        QVERIFY(!button.HitTest({10, 10}));
    }

    void RaisedRingsAndUpFacesAreLitFromTheUpperLeft() {
        HemisphereLook look;
        look.width = 60;
        look.height = 60;
        look.bevelOuter = HemisphereRing::Raised;
        look.bevelInner = HemisphereRing::Lowered;
        look.bevelWidth = 4;
        look.faceRed = look.faceGreen = look.faceBlue = 100;
        const auto pictures = RenderHemisphere(look);
        // Outer ring about 28 pixels from the centre, inner about 24, face 13.
        QVERIFY(Brightness(pictures.out, 10, 10) > Brightness(pictures.out, 49, 49));
        QVERIFY(Brightness(pictures.out, 13, 13) < Brightness(pictures.out, 46, 46));
        QCOMPARE(pictures.in.pixel(10, 10), pictures.out.pixel(10, 10));
        QVERIFY(Brightness(pictures.out, 20, 20) > Brightness(pictures.out, 39, 39));
        QVERIFY(Brightness(pictures.in, 20, 20) < Brightness(pictures.in, 39, 39));
        QCOMPARE(pictures.mask.pixel(0, 0), qRgb(255, 255, 255));
        QCOMPARE(pictures.mask.pixel(30, 30), qRgb(0, 0, 0));

        look.attenControl = -0.66;
        const QImage inverted = RenderHemisphere(look).out;
        QVERIFY(Brightness(inverted, 20, 20) < Brightness(inverted, 39, 39));
        look.faceShaded = false;
        const QImage flat = RenderHemisphere(look).out;
        QCOMPARE(flat.pixel(20, 20), qRgb(100, 100, 100));
        QCOMPARE(flat.pixel(39, 39), qRgb(100, 100, 100));
    }

    void GlyphStripsCountTheirSquaresAndShowTheChosenOne() {
        THemisphereButton button;
        button.resize(40, 40);
        button.SetBevelOuter(THemisphereButton::THemisphereBevel::hbNone);
        button.SetFaceColor(QColor(0, 128, 0));
        button.SetFaceShaded(false);
        button.SetGlyphShaded(false);
        button.SetGlyph(QImage(48, 16, QImage::Format_RGB32));
        QCOMPARE(button.NumGlyphs(), 3);
        button.SetGlyphIndex(3);
        for (int ignored : {0, 4}) {
            button.SetGlyphIndex(ignored);
            QCOMPARE(button.GlyphIndex(), 3);
        }
        button.SetNumGlyphs(0);
        button.SetNumGlyphs(-2);
        QCOMPARE(button.NumGlyphs(), 3);
        button.SetGlyph(QImage(50, 16, QImage::Format_RGB32));
        QCOMPARE(button.NumGlyphs(), 1);
        QCOMPARE(button.GlyphIndex(), 1);

        // The transparent colour is the strip's bottom-left pixel, not the
        // shown glyph's: magenta shows the face, yellow does not.
        button.SetGlyph(TwoGlyphStrip());
        button.SetGlyphIndex(2);
        const QImage out = button.Pictures().out;
        QCOMPARE(out.pixel(20, 20), QColor(Qt::darkBlue).rgb());
        QCOMPARE(out.pixel(13, 13), qRgb(0, 128, 0));
        QCOMPARE(out.pixel(12, 27), QColor(Qt::yellow).rgb());
        button.SetGlyphTransparent(false);
        QCOMPARE(button.Pictures().out.pixel(13, 13), QColor(Qt::magenta).rgb());

        // An index left beyond a shrunk count reads nothing outside the strip.
        button.SetNumGlyphs(1);
        button.SetNumGlyphs(2);
        button.SetNumGlyphs(1);
        QCOMPARE(button.GlyphIndex(), 2);
        QCOMPARE(button.Pictures().out.pixel(20, 20), qRgb(0, 128, 0));
    }

    void PicturesAreRebuiltOnlyWhenTheLookChanges() {
        THemisphereButton button;
        button.resize(50, 31);
        const qint64 first = button.Pictures().out.cacheKey();
        button.SetDown(true);
        button.SetFaceColor(QColor(128, 128, 128));
        button.SetBevelWidth(-1);
        button.move(5, 5);
        QCOMPARE(button.Pictures().out.cacheKey(), first);
        button.SetFaceColor(QColor(129, 128, 128));
        button.SetCaption("Open");
        const qint64 second = button.Pictures().out.cacheKey();
        QVERIFY(second != first);
        button.resize(50, 32);
        QVERIFY(button.Pictures().out.cacheKey() != second);
    }

    void CornersAndTransparentFacesShowTheBackground() {
        QWidget window;
        window.resize(80, 60);
        QPalette palette = window.palette();
        palette.setColor(QPalette::Window, QColor(10, 200, 30));
        window.setPalette(palette);
        window.setAutoFillBackground(true);
        auto* button = new THemisphereButton(&window);
        button->setGeometry(10, 10, 50, 31);
        const QRgb background = qRgb(10, 200, 30);
        QImage shot = window.grab().toImage();
        QCOMPARE(shot.pixel(10, 10), background);
        QCOMPARE(shot.pixel(59, 40), background);
        QVERIFY(shot.pixel(35, 25) != background);
        button->SetFaceTransparent(true);
        shot = window.grab().toImage();
        QCOMPARE(shot.pixel(35, 25), background);
        QVERIFY(shot.pixel(11, 25) != background); // the bevel ring stays
    }

    // One button of every feature but the caption, whose pixels depend on
    // the fonts installed: out, in and mask side by side.
    void MatchesTheGoldenPicture() {
        HemisphereLook look;
        look.width = 48;
        look.height = 36;
        look.bevelOuter = HemisphereRing::Raised;
        look.bevelInner = HemisphereRing::Lowered;
        look.bevelWidth = 3;
        look.attenControl = 0.6;
        look.faceRed = 240;
        look.faceGreen = 202;
        look.faceBlue = 166;
        look.borderSingle = true;
        look.borderColor = QColor(128, 0, 0);
        look.glyph = TwoGlyphStrip();
        look.numGlyphs = 2;
        look.glyphIndex = 2;
        const QImage actual = Sheet(RenderHemisphere(look));
        const QImage golden(TREMOLUNDRIX_TEST_DATA "/controls/hemisphere_button.png");
        const QString saved = QDir::temp().filePath("hemisphere_button.png");
        actual.save(saved);
        QVERIFY2(!golden.isNull(), qPrintable("no golden picture; this one is at " + saved));
        QVERIFY2(golden.convertToFormat(QImage::Format_RGB32) == actual,
                 qPrintable("differs from the golden picture; see " + saved));
    }

    void SpaceAndEnterPressAFocusedButton() {
        QWidget window;
        auto* first = new THemisphereButton(&window);
        auto* second = new THemisphereButton(&window);
        second->move(30, 0);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        first->setFocus();
        QTest::keyClick(&window, Qt::Key_Tab);
        QVERIFY(second->hasFocus());

        QSignalSpy clicks(second, &THemisphereButton::clicked);
        QTest::keyPress(second, Qt::Key_Space);
        QVERIFY(second->Down());
        QCOMPARE(clicks.count(), 0);
        QTest::keyRelease(second, Qt::Key_Space);
        QVERIFY(!second->Down());
        QTest::keyClick(second, Qt::Key_Return);
        QTest::keyClick(second, Qt::Key_Enter);
        QCOMPARE(clicks.count(), 3);
        second->setEnabled(false);
        second->Click();
        QCOMPARE(clicks.count(), 3);
    }

    void ReportsItselfAsAPushButtonToAccessibilityTools() {
        THemisphereButton button;
        button.SetCaption("Convert");
        button.SetHint("Convert wave\nfile to midi file");
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(&button);
        QVERIFY(face != nullptr);
        QCOMPARE(face->role(), QAccessible::Button);
        QCOMPARE(face->text(QAccessible::Name), QString("Convert"));
        QCOMPARE(face->text(QAccessible::Description), QString("Convert wave\nfile to midi file"));
        QVERIFY(face->state().focusable);
        QSignalSpy clicks(&button, &THemisphereButton::clicked);
        face->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(clicks.count(), 1);
    }

    void PaintsWithoutCrashingInEveryState() {
        THemisphereButton button;
        button.resize(50, 31);
        button.SetCaption("Open");
        button.SetFaceColor(QColor(240, 202, 166));
        const QImage up = button.grab().toImage();
        const QColor shaded = up.pixelColor(25, 25); // below the caption, in the shade
        QVERIFY(shaded.red() > shaded.green() && shaded.green() > shaded.blue());
        button.SetDown(true);
        const QImage down = button.grab().toImage();
        QVERIFY(down.pixelColor(25, 8) != up.pixelColor(25, 8));
        button.setEnabled(false);
        const QImage greyed = button.grab().toImage();
        const QColor grey = greyed.pixelColor(25, 8);
        QCOMPARE(grey.red(), grey.green());
        QCOMPARE(grey.green(), grey.blue());
    }
};

QTEST_MAIN(THemisphereButtonTest)
#include "THemisphereButtonTest.moc"
