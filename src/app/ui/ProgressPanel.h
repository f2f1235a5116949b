#pragma once

#include <QWidget>

namespace trx {

// Status panel 1 of the main window: white, with a blue bar from the left
// edge covering the fraction of the work done.
class ProgressPanel : public QWidget {
    Q_OBJECT

public:
    explicit ProgressPanel(QWidget* parent = nullptr);

    // fraction in 0..1; 0 draws no bar. Takes effect at the next paint.
    void SetFraction(double fraction) { fraction_ = fraction; }
    [[nodiscard]] double Fraction() const { return fraction_; }
    // Pixels of a panel this wide that the bar covers.
    [[nodiscard]] static int BarWidth(int panelWidth, double fraction);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double fraction_ = 0.0;
};

} // namespace trx
