#include "app/ui/TSplashForm.h"

#include "controls/ui/WindowStyle.h"

#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

#include <cmath>

namespace trx {

TSplashForm::TSplashForm(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName("SplashForm");
    setWindowTitle("Splash screen");
    setFixedSize(588, 267);
    auto* picture = new QLabel(this);
    picture->setObjectName("Image1");
    picture->setGeometry(rect());
    picture->setPixmap(DrawPicture(size()));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.left() + (area.width() - width()) / 2,
             area.top() + (area.height() - height()) / 2);
    }
}

QPixmap TSplashForm::DrawPicture(QSize size) {
    QPixmap picture(size);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area(QPointF(0, 0), QSizeF(size));

    QLinearGradient sky(area.topLeft(), area.bottomRight());
    sky.setColorAt(0.0, QColor(214, 238, 214));
    sky.setColorAt(0.55, QColor(150, 200, 160));
    sky.setColorAt(1.0, QColor(40, 90, 70));
    painter.fillRect(area, sky);

    // A waveform on the left turning into piano-roll notes on the right:
    // what the program does.
    const double mid = area.height() * 0.72;
    QPainterPath wave;
    for (int x = 0; x <= size.width() / 2; ++x) {
        const double t = x / 18.0;
        const double envelope = 1.0 - static_cast<double>(x) / (size.width() / 2.0);
        const double y = mid - 34.0 * envelope * std::sin(t) * std::cos(t * 0.37);
        if (x == 0) {
            wave.moveTo(x, y);
        } else {
            wave.lineTo(x, y);
        }
    }
    painter.setPen(QPen(QColor(255, 255, 255, 200), 2.0));
    painter.drawPath(wave);

    const int notes[][3] = {{300, 0, 60},  {330, 18, 40}, {375, 8, 70}, {420, 26, 30},
                            {455, 12, 55}, {500, 30, 45}, {520, 4, 40}};
    painter.setPen(Qt::NoPen);
    painter.setBrush(WindowStyle::ButtonFace());
    for (const auto& note : notes) {
        painter.drawRoundedRect(QRectF(note[0], mid - 30 + note[1], note[2], 8), 3, 3);
    }

    QFont title("DejaVu Sans");
    title.setPixelSize(58);
    title.setBold(true);
    painter.setFont(title);
    painter.setPen(QColor(0, 0, 0, 60));
    const QRectF titleArea(0, 28, area.width(), 80);
    painter.drawText(titleArea.translated(3, 3), Qt::AlignHCenter | Qt::AlignVCenter,
                     "Tremolundrix");
    painter.setPen(QColor(30, 70, 50));
    painter.drawText(titleArea, Qt::AlignHCenter | Qt::AlignVCenter, "Tremolundrix");

    QFont subtitle("DejaVu Sans");
    subtitle.setPixelSize(20);
    painter.setFont(subtitle);
    painter.setPen(QColor(40, 80, 60));
    painter.drawText(QRectF(0, 104, area.width(), 30), Qt::AlignHCenter | Qt::AlignVCenter,
                     "Wave to Midi conversion");

    painter.setPen(QPen(QColor(30, 70, 50), 2.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(area.adjusted(1, 1, -1, -1));
    return picture;
}

} // namespace trx
