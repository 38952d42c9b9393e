// Draws the pages' pictures and writes them as JPEG bytes into a C++ source, so the program
// carries pictures of its own making and no image file: a camcorder and a DV cassette for the
// about and options pages, a camel crossed out for the empty list ("not for camels").
//   picture_maker OUTPUT.cpp
#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace {

QImage Canvas(int width, int height, QColor top, QColor bottom)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient sky(0, 0, 0, height);
    sky.setColorAt(0, top);
    sky.setColorAt(1, bottom);
    p.fillRect(image.rect(), sky);
    return image;
}

QImage Camcorder()
{
    QImage image = Canvas(160, 120, QColor(190, 215, 240), QColor(245, 245, 250));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(30, 30, 35), 2));
    p.setBrush(QColor(70, 72, 80)); // body
    p.drawRoundedRect(QRectF(30, 42, 84, 48), 10, 10);
    p.setBrush(QColor(40, 40, 45)); // lens barrel
    p.drawRoundedRect(QRectF(108, 50, 30, 32), 4, 4);
    QRadialGradient glass(140, 66, 16);
    glass.setColorAt(0, QColor(120, 170, 230));
    glass.setColorAt(1, QColor(20, 30, 60));
    p.setBrush(glass);
    p.drawEllipse(QPointF(140, 66), 13, 15);
    p.setBrush(QColor(55, 57, 64)); // viewfinder and handle
    p.drawRoundedRect(QRectF(18, 30, 30, 16), 4, 4);
    p.drawRoundedRect(QRectF(46, 30, 56, 10), 5, 5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(220, 30, 30)); // recording light
    p.drawEllipse(QPointF(96, 52), 4, 4);
    p.setBrush(QColor(200, 200, 205)); // the side panel where the date is shown
    p.drawRect(QRectF(40, 60, 44, 20));
    p.setBrush(QColor(60, 140, 60));
    for (int k = 0; k < 4; ++k)
        p.drawRect(QRectF(44 + 10 * k, 66, 6, 8));
    return image;
}

QImage Cassette()
{
    QImage image = Canvas(160, 120, QColor(250, 235, 200), QColor(250, 250, 245));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(10, 10, 10), 2));
    p.setBrush(QColor(35, 35, 40));
    p.drawRoundedRect(QRectF(24, 26, 112, 70), 6, 6);
    p.setBrush(QColor(235, 235, 225)); // label
    p.drawRect(QRectF(34, 32, 92, 22));
    p.setPen(QPen(QColor(30, 80, 160), 3));
    for (int k = 0; k < 3; ++k)
        p.drawLine(QPointF(40, 38 + 6 * k), QPointF(120 - 20 * k, 38 + 6 * k));
    p.setPen(QPen(QColor(10, 10, 10), 1.5));
    p.setBrush(QColor(90, 90, 95)); // window and reels
    p.drawRoundedRect(QRectF(46, 62, 68, 24), 4, 4);
    p.setBrush(QColor(200, 200, 200));
    for (double x : {62.0, 98.0}) {
        p.drawEllipse(QPointF(x, 74), 9, 9);
        p.drawEllipse(QPointF(x, 74), 3, 3);
    }
    p.setPen(QPen(QColor(60, 40, 20), 4)); // the tape between the reels
    p.drawLine(QPointF(66, 82), QPointF(94, 82));
    return image;
}

QImage Camel()
{
    QImage image = Canvas(150, 150, QColor(255, 220, 150), QColor(250, 200, 120));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 240, 180)); // the sun
    p.drawEllipse(QPointF(118, 30), 14, 14);
    p.setBrush(QColor(225, 180, 100)); // dune
    p.drawEllipse(QRectF(-40, 118, 240, 80));
    const QColor hide(150, 100, 55);
    p.setBrush(hide);
    QPainterPath body;
    body.addEllipse(QRectF(36, 66, 66, 30));
    body.addEllipse(QRectF(44, 46, 22, 34)); // humps
    body.addEllipse(QRectF(70, 48, 22, 32));
    QPainterPath neck;
    neck.moveTo(96, 76);
    neck.cubicTo(112, 72, 110, 50, 116, 42);
    neck.lineTo(126, 44);
    neck.cubicTo(118, 58, 120, 80, 100, 90);
    neck.closeSubpath();
    body.addPath(neck);
    body.addEllipse(QRectF(112, 36, 20, 12)); // head
    p.drawPath(body.simplified());
    p.setPen(QPen(hide, 6, Qt::SolidLine, Qt::RoundCap));
    for (double x : {46.0, 56.0, 84.0, 94.0})
        p.drawLine(QPointF(x, 90), QPointF(x + (x < 70 ? -2 : 2), 124));
    p.setPen(QPen(hide, 3, Qt::SolidLine, Qt::RoundCap)); // tail
    p.drawLine(QPointF(38, 78), QPointF(30, 96));
    p.setPen(QPen(QColor(200, 20, 20), 9)); // and the sign that says no
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(75, 80), 58, 58);
    p.drawLine(QPointF(34, 39), QPointF(116, 121));
    return image;
}

QByteArray Jpeg(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "JPG", 88))
        return {};
    return bytes;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: picture_maker OUTPUT.cpp\n");
        return 2;
    }
    const struct {
        const char* name;
        QImage image;
    } pictures[] = {{"Camcorder", Camcorder()}, {"Cassette", Cassette()}, {"Camel", Camel()}};
    QByteArray source = "// Made by ui/pictures/PictureMaker.cpp at build time.\n#include \"ui/Pictures.h\"\n\n"
                        "namespace ui {\n\nnamespace {\n\n";
    for (const auto& picture : pictures) {
        const QByteArray jpeg = Jpeg(picture.image);
        if (jpeg.isEmpty()) {
            std::fprintf(stderr, "picture_maker: no JPEG writer\n");
            return 1;
        }
        source += "const unsigned char k" + QByteArray(picture.name) + "[] = {";
        for (qsizetype i = 0; i < jpeg.size(); ++i)
            source += (i % 24 ? "" : "\n    ") + QByteArray::number(static_cast<unsigned char>(jpeg[i])) + ",";
        source += "\n};\n\n";
    }
    source += "template <size_t N> QByteArray Bytes(const unsigned char (&data)[N])\n{\n"
              "    return QByteArray::fromRawData(reinterpret_cast<const char*>(data), N);\n}\n\n"
              "} // namespace\n\nQByteArray PictureJpeg(Picture picture)\n{\n    switch (picture) {\n";
    for (const auto& picture : pictures)
        source += "    case Picture::" + QByteArray(picture.name) + ":\n        return Bytes(k" +
                  QByteArray(picture.name) + ");\n";
    source += "    }\n    return {};\n}\n\n} // namespace ui\n";
    QFile out(QString::fromLocal8Bit(argv[1]));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(source) != source.size()) {
        std::fprintf(stderr, "picture_maker: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
