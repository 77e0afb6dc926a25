#pragma once
// The program's icon: the launcher's SVG, also used as the window icon.
#include <QIcon>

namespace zvapp {

// Rendered from the SVG at the usual icon sizes; null only if the SVG is missing.
QIcon AppIcon();

}  // namespace zvapp
