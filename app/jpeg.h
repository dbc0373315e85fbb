// JPEG pictures of the windows, decoded with libjpeg.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QPixmap>
#include <QString>

namespace tarvelin {

// Decodes a baseline or progressive JPEG (grey or colour) into an RGB image. Damaged or
// truncated data, unsupported colour spaces (CMYK) and pictures larger than
// kMaxJpegSide in either direction give a null image; nothing is printed.
QImage DecodeJpeg(const QByteArray& data);

// Reads path (a file name or a Qt resource name such as ":/pictures/viewer.jpg") and decodes
// it; a null pixmap when the file is missing or not a valid JPEG.
QPixmap LoadJpegPixmap(const QString& path);

constexpr int kMaxJpegSide = 16384;

}  // namespace tarvelin
