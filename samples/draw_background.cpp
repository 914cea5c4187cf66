// Draws samples/egfr_background.png, the picture behind the sample pathway: the
// space outside the cell, the membrane, the cytoplasm and the nucleus.
// Build and run from the repository root:
//   g++ -std=c++20 -fPIC samples/draw_background.cpp -o /tmp/draw_background \
//       $(pkg-config --cflags --libs Qt6Gui) && /tmp/draw_background samples/egfr_background.png
#include <cmath>
#include <cstdio>

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: draw_background <output.png>\n");
        return 2;
    }
    const int side = 512;
    QImage image(side, side, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    // Outside the cell, above the membrane: a pale blue wash.
    p.fillRect(0, 0, side, side, QColor(236, 242, 250));
    // Cytoplasm: warm and pale, so tinted protein boxes stand out.
    p.fillRect(0, 112, side, side - 112, QColor(252, 246, 232));

    // The membrane: a lipid bilayer drawn as two rows of heads with tails between.
    const int top = 100, bottom = 124;
    p.fillRect(0, top, side, bottom - top, QColor(245, 222, 170));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(214, 150, 70));
    for (int x = 4; x < side; x += 10) {
        p.drawEllipse(QPointF(x, top), 4.0, 4.0);
        p.drawEllipse(QPointF(x, bottom), 4.0, 4.0);
    }
    p.setPen(QPen(QColor(200, 170, 120), 1.0));
    for (int x = 4; x < side; x += 10) {
        p.drawLine(QPointF(x - 1, top + 4), QPointF(x - 1, bottom - 4));
        p.drawLine(QPointF(x + 1, top + 4), QPointF(x + 1, bottom - 4));
    }

    // The nucleus at the bottom, with a double envelope and a few pores.
    const QRectF nucleus(56, 380, side - 112, 220);
    p.setPen(QPen(QColor(150, 120, 190), 3.0));
    p.setBrush(QColor(236, 228, 246));
    p.drawEllipse(nucleus);
    p.setPen(QPen(QColor(180, 160, 210), 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(nucleus.adjusted(6, 6, -6, -6));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(252, 246, 232));
    for (int k = 1; k <= 5; ++k) {
        const double x = nucleus.left() + nucleus.width() * k / 6.0;
        const double dy =
            nucleus.height() / 2.0 *
            (1.0 -
             std::sqrt(1.0 - std::pow((x - nucleus.center().x()) / (nucleus.width() / 2.0), 2.0)));
        p.drawEllipse(QPointF(x, nucleus.top() + dy + 3), 3.0, 3.0);
    }

    // A faint arrow down the middle: the direction the signal travels.
    p.setPen(QPen(QColor(210, 200, 180), 6.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(side * 0.82, 150), QPointF(side * 0.82, 360));
    QPainterPath head;
    head.moveTo(side * 0.82 - 14, 350);
    head.lineTo(side * 0.82 + 14, 350);
    head.lineTo(side * 0.82, 372);
    head.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(210, 200, 180));
    p.drawPath(head);
    p.end();

    if (!image.save(argv[1])) {
        std::fprintf(stderr, "draw_background: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
