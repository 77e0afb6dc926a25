#include "app/snapshot.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <algorithm>
#include <QFileInfo>
#include <QImageWriter>
#include <QSaveFile>
#include <cstdint>
#include <vector>

namespace zvapp {

bool IsBitmapName(const QString& fileName) {
  return QFileInfo(fileName).fileName().endsWith(QLatin1String(".bmp"), Qt::CaseInsensitive);
}

namespace {
void Put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  b[at] = uint8_t(v);
  b[at + 1] = uint8_t(v >> 8);
}
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}
}  // namespace

bool WriteBitmap24(const QImage& image, const QString& fileName, QString* error) {
  if (image.isNull()) {
    if (error) *error = QStringLiteral("no picture");
    return false;
  }
  QImage rgb = image.convertToFormat(QImage::Format_RGB888);
  const uint32_t w = uint32_t(rgb.width()), h = uint32_t(rgb.height());
  const uint32_t stride = (w * 3 + 3) & ~3u;
  const uint32_t dataSize = stride * h;
  const uint32_t headers = 14 + 40;
  std::vector<uint8_t> out(headers + size_t(dataSize), 0);
  out[0] = 'B';
  out[1] = 'M';
  Put32(out, 2, headers + dataSize);
  Put32(out, 10, headers);
  Put32(out, 14, 40);
  Put32(out, 18, w);
  Put32(out, 22, h);  // positive: bottom-up
  Put16(out, 26, 1);
  Put16(out, 28, 24);
  Put32(out, 30, 0);  // BI_RGB
  Put32(out, 34, dataSize);
  Put32(out, 38, 2835);  // 72 dpi
  Put32(out, 42, 2835);
  for (uint32_t y = 0; y < h; ++y) {
    const uint8_t* src = rgb.constScanLine(int(y));
    uint8_t* dst = out.data() + headers + size_t(h - 1 - y) * stride;
    for (uint32_t x = 0; x < w; ++x) {
      dst[3 * x] = src[3 * x + 2];
      dst[3 * x + 1] = src[3 * x + 1];
      dst[3 * x + 2] = src[3 * x];
    }
  }
  QSaveFile f(fileName);
  if (!f.open(QIODevice::WriteOnly) || f.write(reinterpret_cast<const char*>(out.data()), qint64(out.size())) != qint64(out.size()) ||
      !f.commit()) {
    if (error) *error = f.errorString();
    return false;
  }
  return true;
}

bool WriteJpeg(const QImage& image, const QString& fileName, QString* error) {
  QImageWriter writer(fileName, "jpeg");
  // Quality stays at the writer's default (libjpeg's 75).
  if (!writer.write(image.convertToFormat(QImage::Format_RGB888))) {
    if (error) *error = writer.errorString();
    return false;
  }
  return true;
}

bool SaveSnapshot(const QImage& image, const QString& fileName, QString* error) {
  if (IsBitmapName(fileName)) return WriteBitmap24(image, fileName, error);
  if (QFileInfo(fileName).suffix().compare(QLatin1String("png"), Qt::CaseInsensitive) == 0) {
    QImageWriter writer(fileName, "png");
    if (!writer.write(image.convertToFormat(QImage::Format_RGB888))) {
      if (error) *error = writer.errorString();
      return false;
    }
    return true;
  }
  return WriteJpeg(image, fileName, error);
}

QString SnapshotName(const QString& videoFile, int64_t positionUs) {
  const int64_t s = std::max<int64_t>(positionUs, 0) / 1000000;
  QString base = QFileInfo(videoFile).completeBaseName();
  if (base.isEmpty()) base = QStringLiteral("Snapshot");
  return QStringLiteral("%1 %2-%3-%4.jpg")
      .arg(base)
      .arg(s / 3600, 2, 10, QLatin1Char('0'))
      .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
      .arg(s % 60, 2, 10, QLatin1Char('0'));
}

QString SnapshotFolder() {
  const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
  if (!pictures.isEmpty() && QDir().mkpath(pictures)) return pictures;
  return QDir::homePath();
}

}  // namespace zvapp
