// JPEG decoding through libjpeg with an error manager that returns instead of exiting.
#include "app/jpeg.h"

#include <QFile>
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace tarvelin {

namespace {

// libjpeg's default error handler ends the process; this one jumps back to the decoder.
struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
  int warnings = 0;
};

void ErrorExit(j_common_ptr info) {
  auto* manager = reinterpret_cast<ErrorManager*>(info->err);
  std::longjmp(manager->jump, 1);
}

// Warnings (level -1) mean damaged data: counted, so the picture is refused. Trace messages
// (levels above 0) are dropped. Nothing goes to the terminal.
void EmitMessage(j_common_ptr info, int level) {
  if (level < 0) reinterpret_cast<ErrorManager*>(info->err)->warnings++;
}

void OutputMessage(j_common_ptr) {}

// Kept apart from DecodeJpeg so that no object with a destructor lives between setjmp and
// longjmp; rows are written straight into the caller's image.
bool Decode(const unsigned char* data, unsigned long size, QImage* image) {
  jpeg_decompress_struct info;
  ErrorManager errors;
  info.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = ErrorExit;
  errors.base.emit_message = EmitMessage;
  errors.base.output_message = OutputMessage;
  if (setjmp(errors.jump)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, data, size);
  if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  if (info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK ||
      info.image_width > unsigned(kMaxJpegSide) || info.image_height > unsigned(kMaxJpegSide)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  if (info.output_components != 3) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  *image = QImage(int(info.output_width), int(info.output_height), QImage::Format_RGB888);
  if (image->isNull()) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = image->scanLine(int(info.output_scanline));
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return errors.warnings == 0;
}

}  // namespace

QImage DecodeJpeg(const QByteArray& data) {
  if (data.isEmpty()) return QImage();
  QImage image;
  if (!Decode(reinterpret_cast<const unsigned char*>(data.constData()),
              static_cast<unsigned long>(data.size()), &image))
    return QImage();
  return image;
}

QPixmap LoadJpegPixmap(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return QPixmap();
  const QImage image = DecodeJpeg(file.readAll());
  if (image.isNull()) return QPixmap();
  return QPixmap::fromImage(image);
}

}  // namespace tarvelin
