#include "app/AboutDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QVBoxLayout>

#include <cmath>

namespace {

// Cyclohexane's strongest Raman bands (cm-1) and their relative heights.
struct Band {
    double shift;
    double height;
};
constexpr Band kCyclohexane[] = {{384.1, 2},   {426.3, 3},  {801.3, 95},   {1028.3, 15}, {1157.6, 6}, {1266.4, 14},
                                 {1444.4, 12}, {2664.4, 8}, {2852.9, 100}, {2923.8, 58}, {2938.3, 67}};

double Intensity(double shift)
{
    double sum = 0.0;
    for (const Band& b : kCyclohexane) {
        const double d = (shift - b.shift) / 9.0;
        sum += b.height / (1.0 + d * d);
    }
    return sum;
}

}  // namespace

QImage CAboutDlg::Picture()
{
    QImage image(kPictureWidth, kPictureHeight, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, kPictureHeight);
    sky.setColorAt(0.0, QColor(16, 24, 48));
    sky.setColorAt(1.0, QColor(40, 16, 24));
    p.fillRect(image.rect(), sky);

    // The spectrum, 200 to 3200 cm-1, across the lower part.
    const QRectF plot(24, 120, kPictureWidth - 48, 160);
    QPainterPath line;
    for (int x = 0; x <= plot.width(); ++x) {
        const double shift = 200.0 + 3000.0 * x / plot.width();
        const double y = plot.bottom() - plot.height() * std::min(1.0, Intensity(shift) / 100.0);
        if (x == 0)
            line.moveTo(plot.left() + x, y);
        else
            line.lineTo(plot.left() + x, y);
    }
    p.setPen(QPen(QColor(255, 70, 60), 1.6));
    p.drawPath(line);
    p.setPen(QPen(QColor(200, 200, 210), 1));
    p.drawLine(plot.bottomLeft(), plot.bottomRight());

    QFont title("DejaVu Sans", 40, QFont::Bold);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QRect(0, 18, kPictureWidth, 60), Qt::AlignHCenter | Qt::AlignVCenter, "Vexlar");
    QFont subtitle("DejaVu Sans", 11);
    p.setFont(subtitle);
    p.setPen(QColor(210, 210, 225));
    p.drawText(QRect(0, 74, kPictureWidth, 24), Qt::AlignHCenter | Qt::AlignVCenter,
               "Laser Raman spectrometer control");
    p.setFont(QFont("DejaVu Sans", 8));
    p.drawText(QRect(0, plot.bottom() + 4, kPictureWidth, 20), Qt::AlignHCenter,
               "cyclohexane, Raman shift 200 to 3200 cm-1");
    return image;
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("About Vexlar");
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* picture = new QLabel(this);
    picture->setObjectName("picture");
    picture->setPixmap(QPixmap::fromImage(Picture()));
    layout->addWidget(picture);
    auto* version = new QLabel("Vexlar Version 1.05.00", this);
    version->setObjectName("version");
    layout->addWidget(version);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}
