#include "controls/ui/THemisphereButton.h"

#include <QApplication>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

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

    void PaintsWithoutCrashingInEveryState() {
        THemisphereButton button;
        button.resize(50, 31);
        button.SetCaption("Open");
        button.SetFaceColor(QColor(240, 202, 166));
        const QImage up = button.grab().toImage();
        QCOMPARE(up.pixelColor(25, 8), QColor(240, 202, 166));
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
