#include "ui/ChoiceList.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QScrollBar>

namespace halcyone {

ChoiceList::ChoiceList(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    // Typed text must never select an entry: no completer, and neither Enter nor leaving the
    // field looks the text up in the list.
    setCompleter(nullptr);
    QObject::disconnect(lineEdit(), SIGNAL(returnPressed()), this, nullptr);
    QObject::disconnect(lineEdit(), SIGNAL(editingFinished()), this, nullptr);
    connect(lineEdit(), &QLineEdit::textEdited, this, [this] { typedOver_ = true; });
    connect(this, &QComboBox::activated, this, [this](int entry) {
        typedOver_ = false;
        lineEdit()->home(false);
        emit picked(entry);
    });
    view()->setTextElideMode(Qt::ElideNone);
}

int ChoiceList::selection() const { return typedOver_ ? -1 : currentIndex(); }

void ChoiceList::setSelection(int entry) {
    typedOver_ = false;
    setCurrentIndex(entry >= 0 && entry < count() ? entry : -1);
    lineEdit()->home(false);  // a long name shows its beginning
}

void ChoiceList::showPopup() {
    fitDroppedListToEntries();
    QComboBox::showPopup();
}

void ChoiceList::fitDroppedListToEntries() {
    QAbstractItemView* list = view();
    int width = list->sizeHintForColumn(0) + 2 * list->frameWidth();
    if (count() > maxVisibleItems()) width += list->verticalScrollBar()->sizeHint().width();
    list->setMinimumWidth(width);
}

void ChoiceList::focusOutEvent(QFocusEvent* event) {
    QComboBox::focusOutEvent(event);
    lineEdit()->home(false);
}

}  // namespace halcyone
