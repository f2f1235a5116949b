#include "tuning/ui/TTuningForm.h"

#include "controls/ui/THemisphereButton.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPolygon>
#include <QShowEvent>
#include <QSlider>

namespace trx {

namespace {

const QColor kBackground(192, 224, 192);
// The face of the program's command buttons.
const QColor kButtonFace(240, 202, 166);
// Outer size 545 x 325 less a dialog frame and title bar.
constexpr int kClientWidth = 537;
constexpr int kClientHeight = 298;

} // namespace

TTuningForm::TTuningForm(QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("TuningForm"));
    setWindowTitle(QStringLiteral("Auto Tuning"));
    setFixedSize(kClientWidth, kClientHeight);
    QPalette background = palette();
    background.setColor(QPalette::Window, kBackground);
    setPalette(background);
    setAutoFillBackground(true);

    TuningPB = new QWidget(this);
    TuningPB->setObjectName(QStringLiteral("TuningPB"));
    TuningPB->setGeometry(16, 8, kGraphWidth, kGraphHeight);
    TuningPB->installEventFilter(this);

    TuningTB = new QSlider(Qt::Horizontal, this);
    TuningTB->setObjectName(QStringLiteral("TuningTB"));
    TuningTB->setGeometry(9, 209, 519, 17);
    TuningTB->setRange(-50, 50);
    TuningTB->setValue(0);
    TuningTB->setTickInterval(10);
    TuningTB->setTickPosition(QSlider::NoTicks);
    TuningTB->installEventFilter(this);
    connect(TuningTB, &QSlider::valueChanged, this, &TTuningForm::TuningTBChange);

    TuningLbl = new QLabel(QStringLiteral("Tuning Adjustment = 0 cents"), this);
    TuningLbl->setObjectName(QStringLiteral("TuningLbl"));
    TuningLbl->setGeometry(16, 240, 300, 16);

    const auto addButton = [this](const char* name, const QString& caption, int left) {
        auto* button = new THemisphereButton(this);
        button->setObjectName(QLatin1String(name));
        button->setGeometry(left, 264, 73, 25);
        button->SetCaption(caption);
        button->SetFaceColor(kButtonFace);
        button->installEventFilter(this);
        return button;
    };
    AcceptBtn = addButton("AcceptBtn", QStringLiteral("Accept"), 16);
    CancelBtn = addButton("CancelBtn", QStringLiteral("Cancel"), 440);
    connect(AcceptBtn, &THemisphereButton::clicked, this, &TTuningForm::AcceptBtnClick);
    connect(CancelBtn, &THemisphereButton::clicked, this, &TTuningForm::CancelBtnClick);
}

void TTuningForm::ClearTuningGraph() {
    if (tuningGraph_.isNull()) {
        tuningGraph_ = QImage(kGraphWidth, kGraphHeight, QImage::Format_RGB32);
    }
    tuningGraph_.fill(Qt::black);
}

void TTuningForm::DrawCurve(const TuningCurve& curve, QColor colour) {
    QPolygon line;
    line.reserve(static_cast<int>(curve.size()));
    for (const TuningPoint& point : curve) {
        line << QPoint(point.X, point.Y);
    }
    QPainter painter(&tuningGraph_);
    painter.setPen(QPen(colour, 1, Qt::SolidLine));
    painter.drawPolyline(line);
}

void TTuningForm::ShowSearchResult(const TuningSearchResult& result) {
    ClearTuningGraph();
    for (const NoteCurve& note : result.NoteCurves) {
        DrawCurve(note.Points, Qt::red);
    }
    DrawCurve(result.TotalCurve, Qt::white);
    TuningTB->setValue(result.ProposedOffset);
    // A slider set to its current value sends no change.
    TuningTBChange();
    TuningPB->update();
}

int TTuningForm::ChosenOffset(int dialogResult) const {
    return dialogResult == QDialog::Accepted ? TuningTB->value() : kNoTuning;
}

void TTuningForm::TuningPBPaint() {
    QPainter painter(TuningPB);
    if (!tuningGraph_.isNull()) {
        painter.drawImage(0, 0, tuningGraph_);
    }
    // The cents scale, sharing the curves' x positions: a long mark every
    // 10 cents.
    painter.setPen(QPen(Qt::yellow, 1, Qt::SolidLine));
    for (int c = -50; c <= 50; ++c) {
        const int x = 252 + 5 * c;
        painter.drawLine(x, 200, x, c % 10 == 0 ? 190 : 197);
    }
}

void TTuningForm::TuningTBChange() {
    TuningLbl->setText(QStringLiteral("Tuning Adjustment = %1 cents").arg(TuningTB->value()));
}

void TTuningForm::AcceptBtnClick() {
    accept();
}

void TTuningForm::CancelBtnClick() {
    reject();
}

bool TTuningForm::FormKeyPress(const QKeyEvent& event) {
    switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        AcceptBtnClick();
        return true;
    case Qt::Key_Escape:
        CancelBtnClick();
        return true;
    default:
        return false;
    }
}

bool TTuningForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == TuningPB && event->type() == QEvent::Paint) {
        TuningPBPaint();
        return true;
    }
    if (event->type() == QEvent::KeyPress && FormKeyPress(static_cast<QKeyEvent&>(*event))) {
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TTuningForm::keyPressEvent(QKeyEvent* event) {
    if (!FormKeyPress(*event)) {
        QDialog::keyPressEvent(event);
    }
}

void TTuningForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        TuningTB->setFocus();
    }
}

} // namespace trx
