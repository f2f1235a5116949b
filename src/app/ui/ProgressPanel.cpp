#include "app/ui/ProgressPanel.h"

#include "common/Rounding.h"

#include <QPainter>

namespace trx {

ProgressPanel::ProgressPanel(QWidget* parent)
    : QWidget(parent) {}

int ProgressPanel::BarWidth(int panelWidth, double fraction) {
    return static_cast<int>(RoundHalfEven(static_cast<double>(panelWidth) * fraction));
}

void ProgressPanel::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const QRect panel = rect();
    painter.fillRect(panel, Qt::white);
    if (fraction_ > 0.0) {
        QRect bar = panel;
        bar.setWidth(BarWidth(panel.width(), fraction_));
        painter.fillRect(bar, QColor(0, 0, 255));
    }
}

} // namespace trx
