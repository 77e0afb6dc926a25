#include "app/app_icon.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace zvapp {

QIcon AppIcon() {
  // Drawn here rather than through Qt's icon plug-in, which may not be installed.
  QSvgRenderer svg(QStringLiteral(":/icons/zelvo-player.svg"));
  QIcon icon;
  if (!svg.isValid()) return icon;
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    svg.render(&p);
    p.end();
    icon.addPixmap(pm);
  }
  return icon;
}

}  // namespace zvapp
