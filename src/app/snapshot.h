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

// The kind follows the extension in any case: ".bmp" a bitmap, ".png" PNG,
// ".jpg", ".jpeg" and every other name JPEG.
bool SaveSnapshot(const QImage& image, const QString& fileName, QString* error);

// "VIDEO NAME HH-MM-SS.jpg" for a file and a position (µs) in it.
QString SnapshotName(const QString& videoFile, int64_t positionUs);

// The user's pictures folder, made when missing; the home folder when there is none.
QString SnapshotFolder();

}  // namespace zvapp
