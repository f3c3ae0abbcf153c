// The program's icons, built into the executable: 108 (16 x 16, the window's) and 107 (32, 16
// and 64 pixels, the About box's).
#pragma once

#include <QIcon>

namespace halcyone {

inline QIcon windowIcon() { return QIcon(QStringLiteral(":/icons/halcyone-16.png")); }

inline QIcon aboutIcon() {
    QIcon icon;
    for (const char* size : {"32", "16", "64"})
        icon.addFile(QStringLiteral(":/icons/halcyone-%1.png").arg(QLatin1String(size)));
    return icon;
}

}  // namespace halcyone
