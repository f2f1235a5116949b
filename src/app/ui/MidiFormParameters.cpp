#include "app/ui/TMidiForm.h"

#include "analysis/ui/TAnalyserBox.h"

#include <QCheckBox>
#include <QLabel>
#include <QSlider>

// The change handlers of the parameter controls that only show their value.
namespace trx {

namespace {

QString Percent(int position) {
    return QString::number(position) + "%";
}

} // namespace

void TMidiForm::PolyTBChange() {
    const int position = ui_.PolyTB->value();
    ui_.PolyLbl->setText(position > 9 ? QString("Any") : QString::number(position));
}

void TMidiForm::ChordThresholdTBChange() {
    ui_.ThresholdLbl->setText(Percent(ui_.ChordThresholdTB->value()));
}

void TMidiForm::NeighbourTBChange() {
    ui_.NeighbourLbl->setText(Percent(ui_.NeighbourTB->value()));
}

void TMidiForm::MinimumTBChange() {
    ui_.MinimumLbl->setText(Percent(ui_.MinimumTB->value()));
}

void TMidiForm::AmplitudeTBChange() {
    ui_.FluctLbl->setText(Percent(ui_.AmplitudeTB->value()));
}

void TMidiForm::PrettyCBClick() {
    // Unchecking clears the analyser box; checking waits for the next run.
    if (!ui_.PrettyCB->isChecked()) {
        ui_.ampsPB->repaint();
    }
}

} // namespace trx
