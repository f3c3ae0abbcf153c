// The program's icons, built into the executable: 108 (the window's, at every size drawn, so
// that a dock or a window switcher shows it sharp) and 107 (32, 16 and 64 pixels, the About
// box's).
#pragma once

#include <QIcon>

namespace halcyone {

inline QIcon windowIcon() {
    QIcon icon;
    for (const char* size : {"16", "32", "64", "128", "256"})
        icon.addFile(QStringLiteral(":/icons/halcyone-%1.png").arg(QLatin1String(size)));
    return icon;
}

inline QIcon aboutIcon() {
    QIcon icon;
    for (const char* size : {"32", "16", "64"})
        icon.addFile(QStringLiteral(":/icons/halcyone-%1.png").arg(QLatin1String(size)));
    return icon;
}

}  // namespace halcyone
