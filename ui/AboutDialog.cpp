#include "ui/AboutDialog.h"

#include <QLabel>
#include <QPushButton>

#include "ui/DialogUnits.h"
#include "ui/Icons.h"

namespace halcyone {

namespace {
constexpr DialogRect aboutSize{22, 17, 257, 37};
constexpr DialogRect iconRect{14, 9, 20, 20};
constexpr DialogRect textRect{43, 10, 162, 8};
constexpr DialogRect okRect{219, 6, 30, 11};
constexpr int iconPixels = 32;
}  // namespace

AboutDialog::AboutDialog(QWidget* owner) : QDialog(owner) {
    setWindowTitle(QStringLiteral("About"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(pixelRect(aboutSize).size());
    if (owner) move(owner->mapToGlobal(pixelRect(aboutSize).topLeft()));

    auto* icon = new QLabel(this);
    icon->setPixmap(aboutIcon().pixmap(iconPixels, iconPixels));
    icon->setGeometry(QRect(pixelRect(iconRect).topLeft(), QSize(iconPixels, iconPixels)));

    auto* text = new QLabel(QStringLiteral("Halcyone, version 1.2"), this);
    text->setTextFormat(Qt::PlainText);
    text->setGeometry(pixelRect(textRect));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setGeometry(pixelRect(okRect));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    ok->setFocus();
}

}  // namespace halcyone
