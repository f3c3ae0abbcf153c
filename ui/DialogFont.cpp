#include "ui/DialogFont.h"

#include <QFontDatabase>
#include <QFontMetricsF>

#include <cmath>

namespace halcyone {

namespace {

constexpr int smallestPixelSize = 6;
constexpr int largestPixelSize = 24;
const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");

double averageLetterWidth(const QFont& font) {
    return QFontMetricsF(font).horizontalAdvance(letters) / letters.size();
}

int widest(const QFont& font, const QStringList& texts) {
    const QFontMetrics metrics(font);
    int width = 0;
    for (const QString& text : texts) width = std::max(width, metrics.horizontalAdvance(text));
    return width;
}

}  // namespace

QString builtInFontFamily() {
    static const QString family = [] {
        const int id = QFontDatabase::addApplicationFont(QStringLiteral(":/fonts/LiberationSans-Regular.ttf"));
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        return families.isEmpty() ? QString() : families.first();
    }();
    return family;
}

QFont dialogFont(const QString& family) {
    const QString wanted = family.isEmpty() ? builtInFontFamily() : family;
    QFont font(wanted);
    if (wanted.isEmpty() || !QFontDatabase::families().contains(wanted)) {
        font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        font.setStyleHint(QFont::SansSerif);
    }
    int best = smallestPixelSize;
    double bestMiss = INFINITY;
    for (int size = smallestPixelSize; size <= largestPixelSize; ++size) {
        font.setPixelSize(size);
        const double miss = std::abs(averageLetterWidth(font) - dialogAverageLetterWidth);
        if (miss < bestMiss) {
            best = size;
            bestMiss = miss;
        }
    }
    font.setPixelSize(best);
    return font;
}

QFont narrowedToFit(const QFont& base, const QStringList& texts, int width) {
    QFont font = base;
    for (int stretch = 100; stretch >= minimumStretch; --stretch) {
        font.setStretch(stretch);
        if (widest(font, texts) <= width) return font;
    }
    return font;
}

}  // namespace halcyone
