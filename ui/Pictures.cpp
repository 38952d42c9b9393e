#include "ui/Pictures.h"

#include <QImage>
#include <QLabel>
#include <QPixmap>

namespace ui {

bool ShowPicture(QLabel& label, const QByteArray& jpeg)
{
    // The JPEG reader fills a cut picture with grey and calls it read: only a picture that ends
    // with its end-of-image marker is shown.
    QImage image;
    if (!jpeg.endsWith("\xFF\xD9") || !image.loadFromData(jpeg, "JPG") || image.isNull()) {
        label.clear();
        return false;
    }
    label.setPixmap(QPixmap::fromImage(image));
    return true;
}

QLabel* PictureLabel(QWidget* parent, Picture picture, QSize size)
{
    auto* label = new QLabel(parent);
    label->setFixedSize(size);
    label->setScaledContents(true);
    ShowPicture(*label, PictureJpeg(picture));
    return label;
}

} // namespace ui
