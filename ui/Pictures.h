#pragma once
// The pages' pictures: JPEGs drawn at build time (ui/pictures/PictureMaker.cpp), read with QImage.
#include <QByteArray>
#include <QSize>

class QWidget;

class QLabel;

namespace ui {

enum class Picture { Camcorder, Cassette, Camel };

QByteArray PictureJpeg(Picture picture);

// Shows the picture `jpeg` holds in `label`; bytes that do not decode leave it empty. False then.
bool ShowPicture(QLabel& label, const QByteArray& jpeg);

// A label of `size` showing `picture` scaled to it.
QLabel* PictureLabel(QWidget* parent, Picture picture, QSize size);

} // namespace ui
