#include "ui/QtControlHost.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>
#include <cstring>

#include "ui/ChoiceList.h"
#include "ui/PictureButton.h"
#include "ui/QtColour.h"
#include "ui/SteppedProgressBar.h"
#include "ui/UpDown.h"

namespace halcyone {

namespace {

QString textParam(std::intptr_t lParam) {
    return lParam ? QString::fromUtf8(reinterpret_cast<const char*>(lParam)) : QString();
}

// The widget's text, for the controls that have one.
std::optional<QString> textOf(QWidget* w) {
    if (auto* label = qobject_cast<QLabel*>(w)) return label->text();
    if (auto* edit = qobject_cast<QLineEdit*>(w)) return edit->text();
    if (auto* list = qobject_cast<QComboBox*>(w)) return list->currentText();
    if (auto* button = qobject_cast<QAbstractButton*>(w)) return button->text();
    return std::nullopt;
}

void setTextOf(QWidget* w, const QString& text) {
    if (auto* label = qobject_cast<QLabel*>(w)) label->setText(text);
    else if (auto* edit = qobject_cast<QLineEdit*>(w)) edit->setText(text);
    else if (auto* list = qobject_cast<QComboBox*>(w)) list->setEditText(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(w)) button->setText(text);
}

std::int32_t copyText(const QString& text, std::intptr_t size, std::intptr_t buffer) {
    if (size <= 0 || buffer == 0) return 0;
    const QByteArray bytes = text.toUtf8();
    const auto length = std::min<std::size_t>(bytes.size(), static_cast<std::size_t>(size) - 1);
    char* out = reinterpret_cast<char*>(buffer);
    std::memcpy(out, bytes.constData(), length);
    out[length] = '\0';
    return static_cast<std::int32_t>(length);
}

}  // namespace

QImage imageOf(const ControlImage& image) {
    if (image.width <= 0 || image.height <= 0) return {};
    QImage out(image.width, image.height, QImage::Format_RGB32);
    if (image.pixels == nullptr) {
        out.fill(qRgbOf(image.fill));
        return out;
    }
    for (int y = 0; y < image.height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < image.width; ++x) line[x] = qRgbOf(image.pixels[y * image.width + x]);
    }
    return out;
}

void QtControlHost::add(ControlId id, QWidget* widget) { widgets_[id] = widget; }

QWidget* QtControlHost::widget(ControlId id) const {
    const auto it = widgets_.find(id);
    return it == widgets_.end() ? nullptr : it->second.data();
}

std::int32_t QtControlHost::handleWindow(ControlMessage message, std::intptr_t lParam) {
    switch (message) {
        case ControlMessage::SetImage:
            if (lParam) window_.setPreview(imageOf(*reinterpret_cast<const ControlImage*>(lParam)));
            return 0;
        case ControlMessage::ShowKeys:
            if (lParam) window_.showKeys(*reinterpret_cast<const KeySelection*>(lParam));
            return 0;
        case ControlMessage::Invalidate:
            window_.invalidate();
            return 0;
        default:
            return 0;
    }
}

std::int32_t QtControlHost::handle(ControlId id, ControlMessage message, std::intptr_t w,
                                   std::intptr_t l) {
    if (id == ControlId::MainWindow) return handleWindow(message, l);
    QWidget* target = widget(id);
    if (target == nullptr) return 0;
    auto* button = qobject_cast<QAbstractButton*>(target);
    switch (kindOf(message)) {
        case ControlMessageKind::Range: return handleRange(target, message, w, l);
        case ControlMessageKind::List: return handleList(qobject_cast<ChoiceList*>(target), message, w, l);
        case ControlMessageKind::Check:
            if (message == ControlMessage::GetCheck) return button && button->isChecked() ? 1 : 0;
            if (button) button->setChecked(w != 0);
            return 0;
        case ControlMessageKind::Other: break;
    }
    switch (message) {
        case ControlMessage::SetText:
            setTextOf(target, textParam(l));
            return 1;
        case ControlMessage::GetText:
            return copyText(textOf(target).value_or(QString()), w, l);
        case ControlMessage::SetImage:
            if (auto* picture = qobject_cast<PictureButton*>(target); picture && l)
                picture->setPicture(imageOf(*reinterpret_cast<const ControlImage*>(l)));
            return 0;
        case ControlMessage::Enable:
            target->setEnabled(w != 0);
            return 0;
        default:
            return 0;  // the keyboard's keys and repaints are the window's
    }
}

std::int32_t QtControlHost::handleRange(QWidget* target, ControlMessage message, std::intptr_t w,
                                        std::intptr_t l) {
    auto* upDown = qobject_cast<UpDown*>(target);
    auto* progress = qobject_cast<SteppedProgressBar*>(target);
    switch (message) {
        case ControlMessage::SetRange:
            if (upDown) upDown->setRange(static_cast<int>(w), static_cast<int>(l));
            if (progress) progress->setControlRange(static_cast<int>(w), static_cast<int>(l));
            return 0;
        case ControlMessage::SetBuddy:
            if (upDown) upDown->setBuddy(qobject_cast<QLineEdit*>(widget(static_cast<ControlId>(w))));
            return 0;
        case ControlMessage::GetPos:
            if (upDown) return upDown->position();
            return progress ? progress->value() : 0;
        case ControlMessage::SetPos:
            if (upDown) return upDown->setPosition(static_cast<int>(w));
            return progress ? progress->setPosition(static_cast<int>(w)) : 0;
        case ControlMessage::SetStep:
            if (progress) progress->setStep(static_cast<int>(w));
            return 0;
        case ControlMessage::StepIt:
            return progress ? progress->stepIt() : 0;
        default:
            return 0;
    }
}

std::int32_t QtControlHost::handleList(ChoiceList* list, ControlMessage message, std::intptr_t w,
                                       std::intptr_t l) {
    const auto validEntry = [list](std::intptr_t i) { return list && i >= 0 && i < list->count(); };
    switch (message) {
        case ControlMessage::AddString:
            if (!list) return -1;
            list->addItem(textParam(l), QVariant::fromValue<qlonglong>(0));
            return list->count() - 1;
        case ControlMessage::ResetContent:
            if (list) list->clear();
            return 0;
        case ControlMessage::GetCount:
            return list ? list->count() : 0;
        case ControlMessage::GetSelection:
            return list ? list->selection() : -1;
        case ControlMessage::SetSelection:
            if (!list) return -1;
            list->setSelection(validEntry(w) ? static_cast<int>(w) : -1);
            return list->selection();
        case ControlMessage::SetItemData:
            if (!validEntry(w)) return -1;
            list->setItemData(static_cast<int>(w), QVariant::fromValue<qlonglong>(l));
            return 0;
        case ControlMessage::GetItemData:
            return validEntry(w) ? static_cast<std::int32_t>(list->itemData(static_cast<int>(w)).toLongLong()) : -1;
        default:
            return 0;
    }
}

}  // namespace halcyone
