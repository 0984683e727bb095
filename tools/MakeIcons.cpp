// Draws the tool-bar icons (16 x 15 pixels) and writes them as PNG files into
// the folder given on the command line. Run once when an icon changes; the
// PNG files are kept with the sources.
//
//   build/bin/vexlar_make_icons src/resources/icons

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>
#include <functional>
#include <map>

namespace {

constexpr int kWidth = 16;
constexpr int kHeight = 15;
const QColor kInk(40, 40, 48);
const QColor kRed(210, 30, 30);
const QColor kBlue(30, 80, 190);
const QColor kPaper(250, 250, 250);

using Painter = std::function<void(QPainter&)>;

void Arrow(QPainter& p, int x, int y, int dir)  // a small filled triangle pointing left (-1) or right (+1)
{
    QPolygon t;
    t << QPoint(x, y - 3) << QPoint(x, y + 3) << QPoint(x + 3 * dir, y);
    p.drawPolygon(t);
}

void Peak(QPainter& p, QColor color)
{
    p.setPen(QPen(color, 1));
    p.drawPolyline(QPolygon({QPoint(0, 13), QPoint(5, 12), QPoint(7, 3), QPoint(9, 12), QPoint(15, 13)}));
}

const std::map<QString, Painter> kIcons = {
    {"new",
     [](QPainter& p) {
         p.setPen(kInk);
         p.setBrush(kPaper);
         p.drawPolygon(QPolygon({QPoint(3, 1), QPoint(10, 1), QPoint(13, 4), QPoint(13, 14), QPoint(3, 14)}));
         p.drawPolyline(QPolygon({QPoint(10, 1), QPoint(10, 4), QPoint(13, 4)}));
     }},
    {"open",
     [](QPainter& p) {
         p.setPen(kInk);
         p.setBrush(QColor(235, 190, 80));
         p.drawPolygon(
             QPolygon({QPoint(1, 3), QPoint(5, 3), QPoint(6, 5), QPoint(13, 5), QPoint(13, 13), QPoint(1, 13)}));
         p.setBrush(QColor(250, 215, 120));
         p.drawPolygon(QPolygon({QPoint(3, 7), QPoint(15, 7), QPoint(13, 13), QPoint(1, 13)}));
     }},
    {"save",
     [](QPainter& p) {
         p.setPen(kInk);
         p.setBrush(kBlue);
         p.drawRect(1, 1, 13, 13);
         p.setBrush(kPaper);
         p.drawRect(4, 1, 7, 5);
         p.fillRect(4, 9, 8, 5, QColor(200, 200, 210));
     }},
    {"print",
     [](QPainter& p) {
         p.setPen(kInk);
         p.setBrush(kPaper);
         p.drawRect(4, 1, 7, 5);
         p.setBrush(QColor(170, 170, 180));
         p.drawRect(1, 6, 13, 5);
         p.setBrush(kPaper);
         p.drawRect(4, 9, 7, 5);
     }},
    {"storedark",
     [](QPainter& p) {
         p.fillRect(2, 7, 12, 7, kInk);
         p.setPen(QPen(kBlue, 2));
         p.drawLine(8, 0, 8, 5);
         p.setPen(kBlue);
         p.setBrush(kBlue);
         p.drawPolygon(QPolygon({QPoint(4, 4), QPoint(12, 4), QPoint(8, 7)}));
     }},
    {"subtractdark",
     [](QPainter& p) {
         p.fillRect(2, 9, 12, 5, kInk);
         p.setPen(QPen(kRed, 2));
         p.drawLine(4, 4, 12, 4);
     }},
    {"additive",
     [](QPainter& p) {
         p.setPen(QPen(kInk, 2));
         p.drawLine(8, 2, 8, 13);
         p.drawLine(2, 7, 14, 7);
     }},
    {"peaklabels",
     [](QPainter& p) {
         Peak(p, kRed);
         p.setPen(kInk);
         p.drawLine(11, 1, 11, 8);
         p.drawLine(12, 2, 12, 7);
     }},
    {"cursor",
     [](QPainter& p) {
         Peak(p, kRed);
         p.setPen(QPen(kInk, 1));
         p.drawLine(10, 0, 10, 14);
     }},
    {"autoscale",
     [](QPainter& p) {
         p.setPen(kInk);
         p.setBrush(kInk);
         p.drawLine(3, 2, 3, 12);
         p.drawPolygon(QPolygon({QPoint(1, 3), QPoint(5, 3), QPoint(3, 0)}));
         p.drawPolygon(QPolygon({QPoint(1, 11), QPoint(5, 11), QPoint(3, 14)}));
         p.setPen(kRed);
         p.drawPolyline(QPolygon({QPoint(6, 12), QPoint(9, 11), QPoint(11, 2), QPoint(13, 11), QPoint(15, 12)}));
     }},
    {"setscale",
     [](QPainter& p) {
         p.setPen(kInk);
         p.setBrush(QColor(240, 220, 150));
         p.drawRect(1, 5, 14, 5);
         for (int x = 3; x < 15; x += 3)
             p.drawLine(x, 5, x, x % 2 ? 7 : 8);
     }},
    {"unscale",
     [](QPainter& p) {
         p.setPen(kInk);
         p.setBrush(Qt::NoBrush);
         p.drawRect(1, 1, 13, 12);
         p.setPen(kRed);
         p.drawPolyline(QPolygon({QPoint(2, 11), QPoint(6, 10), QPoint(8, 6), QPoint(10, 10), QPoint(13, 11)}));
     }},
    {"left25",
     [](QPainter& p) {
         p.setPen(kInk);
         p.setBrush(kInk);
         Arrow(p, 7, 7, -1);
         Arrow(p, 12, 7, -1);
         p.drawLine(2, 2, 2, 12);
     }},
    {"left1",
     [](QPainter& p) {
         p.setPen(kInk);
         p.setBrush(kInk);
         Arrow(p, 10, 7, -1);
     }},
    {"right1",
     [](QPainter& p) {
         p.setPen(kInk);
         p.setBrush(kInk);
         Arrow(p, 6, 7, 1);
     }},
    {"right25",
     [](QPainter& p) {
         p.setPen(kInk);
         p.setBrush(kInk);
         Arrow(p, 4, 7, 1);
         Arrow(p, 9, 7, 1);
         p.drawLine(13, 2, 13, 12);
     }},
    {"peakleft",
     [](QPainter& p) {
         Peak(p, kRed);
         p.setPen(kInk);
         p.setBrush(kInk);
         Arrow(p, 4, 3, -1);
     }},
    {"peakright",
     [](QPainter& p) {
         Peak(p, kRed);
         p.setPen(kInk);
         p.setBrush(kInk);
         Arrow(p, 11, 3, 1);
     }},
    {"reset",
     [](QPainter& p) {
         p.setPen(QPen(kBlue, 2));
         p.drawArc(QRect(3, 2, 10, 10), 60 * 16, 280 * 16);
         p.setPen(kBlue);
         p.setBrush(kBlue);
         p.drawPolygon(QPolygon({QPoint(9, 0), QPoint(13, 2), QPoint(9, 5)}));
     }},
};

}  // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    for (const auto& [name, paint] : kIcons) {
        QImage image(kWidth, kHeight, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        QPainter p(&image);
        paint(p);
        p.end();
        const QString path = folder.filePath(name + ".png");
        if (!image.save(path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
