#include "tuning/ui/TTuningForm.h"

#include "controls/ui/THemisphereButton.h"

#include <QLabel>
#include <QSlider>
#include <QTest>

#include <functional>

using trx::TTuningForm;

namespace {

// A search whose note curve falls from the left edge to the right and whose
// total rises, both kept above the cents scale.
trx::TuningSearchResult Search(int proposal) {
    trx::TuningSearchResult result;
    trx::NoteCurve note;
    for (int i = 0; i < trx::kTuningOffsets; ++i) {
        note.Points[static_cast<std::size_t>(i)] = {2 + 5 * i, 150 - i};
        result.TotalCurve[static_cast<std::size_t>(i)] = {2 + 5 * i, i};
    }
    result.NoteCurves.push_back(note);
    result.ProposedOffset = proposal;
    return result;
}

QSlider& Bar(TTuningForm& form) {
    return *form.findChild<QSlider*>(QStringLiteral("TuningTB"));
}

QString Label(TTuningForm& form) {
    return form.findChild<QLabel*>(QStringLiteral("TuningLbl"))->text();
}

void ClickButton(TTuningForm& form, const char* name) {
    auto* button = form.findChild<trx::THemisphereButton*>(QLatin1String(name));
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
}

// Shows the dialog with a proposal of -12, lets act close it and returns
// the offset chosen.
int RunDialog(TTuningForm& form, const std::function<void()>& act) {
    form.ShowSearchResult(Search(-12));
    form.open();
    act();
    return form.isVisible() ? 1000 : form.ChosenOffset(form.result());
}

} // namespace

class TuningFormTest : public QObject {
    Q_OBJECT

private slots:
    void ShowsProposalCurvesAndScale() {
        TTuningForm form;
        QCOMPARE(form.windowTitle(), QStringLiteral("Auto Tuning"));
        form.ShowSearchResult(Search(-12));
        QCOMPARE(Bar(form).value(), -12);
        QCOMPARE(Label(form), QStringLiteral("Tuning Adjustment = -12 cents"));
        // The label is rewritten even when the position does not change.
        form.findChild<QLabel*>(QStringLiteral("TuningLbl"))->clear();
        form.ShowSearchResult(Search(-12));
        QCOMPARE(Label(form), QStringLiteral("Tuning Adjustment = -12 cents"));

        const QImage& graph = form.TuningGraph();
        QCOMPARE(graph.size(), QSize(505, 201));
        QCOMPARE(graph.pixel(252, 50), qRgb(255, 255, 255)); // total
        QCOMPARE(graph.pixel(252, 100), qRgb(255, 0, 0));    // note
        QCOMPARE(graph.pixel(252, 150), qRgb(0, 0, 0));

        const QImage box = form.findChild<QWidget*>(QStringLiteral("TuningPB"))->grab().toImage();
        QCOMPARE(box.pixel(302, 191), qRgb(255, 255, 0)); // +10 cents, long mark
        QCOMPARE(box.pixel(267, 197), qRgb(255, 255, 0)); // +3 cents, short mark
        QCOMPARE(box.pixel(267, 191), qRgb(0, 0, 0));
        QCOMPARE(box.pixel(252, 50), qRgb(255, 255, 255));
    }

    void CancelEscapeAndCloseChooseNothing() {
        TTuningForm form;
        QCOMPARE(RunDialog(form, [&] { ClickButton(form, "CancelBtn"); }), trx::kNoTuning);
        QCOMPARE(RunDialog(form, [&] { QTest::keyClick(&Bar(form), Qt::Key_Escape); }),
                 trx::kNoTuning);
        QCOMPARE(RunDialog(form, [&] { form.close(); }), trx::kNoTuning);
    }

    void AcceptTakesThePositionShown() {
        TTuningForm form;
        QCOMPARE(RunDialog(form,
                           [&] {
                               QTest::keyClick(&Bar(form), Qt::Key_Right);
                               QTest::keyClick(&Bar(form), Qt::Key_Right);
                               QTest::keyClick(&Bar(form), Qt::Key_Return);
                           }),
                 -10);
        QCOMPARE(Label(form), QStringLiteral("Tuning Adjustment = -10 cents"));
        QCOMPARE(
            RunDialog(form, [&] { QTest::keyClick(&form, Qt::Key_Enter, Qt::KeypadModifier); }),
            -12);
        QCOMPARE(RunDialog(form,
                           [&] {
                               Bar(form).setValue(7);
                               ClickButton(form, "AcceptBtn");
                           }),
                 7);
    }
};

QTEST_MAIN(TuningFormTest)
#include "TuningFormTest.moc"
