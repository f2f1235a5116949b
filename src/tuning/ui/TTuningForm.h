#pragma once

#include "tuning/TuningSearch.h"

#include <QDialog>
#include <QImage>

class QKeyEvent;
class QLabel;
class QSlider;

namespace trx {

class THemisphereButton;

// The "Auto Tuning" dialog: the curves of a tuning search above a cents
// scale, and a track bar holding the proposed offset, which the user may
// move before accepting. Created once and kept; each search redraws it.
//
//   form.ShowSearchResult(result);               // result.Succeeded()
//   const int cents = form.ChosenOffset(modal.Exec(form));
class TTuningForm : public QDialog {
    Q_OBJECT

public:
    static constexpr int kGraphWidth = 505;
    static constexpr int kGraphHeight = 201;

    explicit TTuningForm(QWidget* parent = nullptr);

    // Redraws TuningGraph from the search (a red curve per note, the white
    // total over them), sets TuningTB to the proposed offset and updates the
    // label. Precondition: result.Succeeded().
    void ShowSearchResult(const TuningSearchResult& result);
    // The offset a finished modal run chose: TuningTB's position when it
    // ended accepted, otherwise kNoTuning (-99).
    [[nodiscard]] int ChosenOffset(int dialogResult) const;

    // Null until the first search.
    [[nodiscard]] const QImage& TuningGraph() const { return tuningGraph_; }
    // Creates TuningGraph if needed and fills it black.
    void ClearTuningGraph();

    void TuningTBChange();
    void AcceptBtnClick();
    void CancelBtnClick();

protected:
    // Paints TuningPB, and sees the keys of the controls before they do.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void TuningPBPaint();
    // Return and keypad Enter accept, Escape cancels; true when it was one.
    bool FormKeyPress(const QKeyEvent& event);
    void DrawCurve(const TuningCurve& curve, QColor colour);

    QWidget* TuningPB = nullptr;
    QSlider* TuningTB = nullptr;
    QLabel* TuningLbl = nullptr;
    THemisphereButton* AcceptBtn = nullptr;
    THemisphereButton* CancelBtn = nullptr;

    QImage tuningGraph_;
};

} // namespace trx
