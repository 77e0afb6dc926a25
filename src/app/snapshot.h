#pragma once
// Writing a snapshot of the current picture.
#include <QImage>
#include <QString>

namespace zvapp {

// True when the name's extension is ".bmp" in any case.
bool IsBitmapName(const QString& fileName);

// 24-bit uncompressed Windows bitmap, bottom-up rows padded to 4 bytes.
bool WriteBitmap24(const QImage& image, const QString& fileName, QString* error);

// JPEG with the writer's default settings.
bool WriteJpeg(const QImage& image, const QString& fileName, QString* error);

// ".bmp" in any case writes a bitmap, every other name JPEG.
bool SaveSnapshot(const QImage& image, const QString& fileName, QString* error);

}  // namespace zvapp
