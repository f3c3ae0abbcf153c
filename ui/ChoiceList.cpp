#include "ui/ChoiceList.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QProxyStyle>
#include <QScrollBar>
#include <QStyleOptionComboBox>

namespace halcyone {

namespace {

// The drop-down arrow as wide as a scroll bar's (17 pixels at 96 dpi) and a thin frame, so that
// the field keeps as much of the layout's width for its text as a dialog's list does.
class NarrowArrowStyle : public QProxyStyle {
public:
    static constexpr int arrowWidth = 17;
    static constexpr int frame = 2;

    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl part,
                         const QWidget* widget) const override {
        if (control == CC_ComboBox && (part == SC_ComboBoxArrow || part == SC_ComboBoxEditField)) {
            const QRect r = option->rect;
            const QRect rect = part == SC_ComboBoxArrow
                                   ? QRect(r.right() - arrowWidth + 1, r.top(), arrowWidth, r.height())
                                   : QRect(r.left() + frame, r.top() + frame, r.width() - arrowWidth - frame,
                                           r.height() - 2 * frame);
            return visualRect(option->direction, r, rect);
        }
        return QProxyStyle::subControlRect(control, option, part, widget);
    }
};

QStyle* narrowArrowStyle() {
    static NarrowArrowStyle* style = [] {
        auto* made = new NarrowArrowStyle;
        made->setParent(qApp);  // goes with the application
        return made;
    }();
    return style;
}

}  // namespace

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
    setStyle(narrowArrowStyle());
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
