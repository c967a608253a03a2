// Draws the application icon at the sizes the desktop uses. Not part of the build: run it by hand
// (target tarrow_make_icons) when the icon changes, and commit the PNG files it writes.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

// A globe on a blue tile with an arrow pointing down into a tray: a website taken home.
QImage DrawIcon(int ASize) {
    QImage image(ASize, ASize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(ASize / 256.0, ASize / 256.0);

    QLinearGradient tile(0, 0, 0, 256);
    tile.setColorAt(0, QColor(0x3a, 0x8d, 0xde));
    tile.setColorAt(1, QColor(0x1d, 0x4f, 0x91));
    p.setPen(Qt::NoPen);
    p.setBrush(tile);
    p.drawRoundedRect(QRectF(8, 8, 240, 240), 48, 48);

    QPen globe(Qt::white, 12);
    p.setPen(globe);
    p.setBrush(Qt::NoBrush);
    const QRectF ball(40, 24, 136, 136);
    p.drawEllipse(ball);
    p.drawEllipse(QRectF(80, 24, 56, 136));
    p.drawLine(QPointF(40, 92), QPointF(176, 92));
    p.drawLine(QPointF(52, 56), QPointF(164, 56));
    p.drawLine(QPointF(52, 128), QPointF(164, 128));

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xff, 0xb3, 0x2e));
    QPainterPath arrow;
    arrow.moveTo(164, 100);
    arrow.lineTo(196, 100);
    arrow.lineTo(196, 152);
    arrow.lineTo(222, 152);
    arrow.lineTo(180, 206);
    arrow.lineTo(138, 152);
    arrow.lineTo(164, 152);
    arrow.closeSubpath();
    p.drawPath(arrow);

    p.setPen(QPen(Qt::white, 12, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(
        QPolygonF({QPointF(32, 184), QPointF(32, 224), QPointF(224, 224), QPointF(224, 184)}));
    return image;
}

} // namespace

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QString dir = QStringLiteral("%1/hicolor/%2x%2/apps").arg(out).arg(size);
        QDir().mkpath(dir);
        if (!DrawIcon(size).save(dir + QStringLiteral("/tarrow.png")))
            return 1;
    }
    return 0;
}
