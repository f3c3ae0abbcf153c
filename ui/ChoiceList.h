// A drop-down list with an editable field. Only a choice picked from the list (with the mouse
// or the keyboard) counts: typing in the field never selects an entry, and while the typed
// text stands the list reports no selection. The list drops down at least as wide as its
// longest entry, and the field shows its text from the start whenever it loses the focus.
#pragma once

#include <QComboBox>

namespace halcyone {

class ChoiceList : public QComboBox {
    Q_OBJECT
public:
    explicit ChoiceList(QWidget* parent);

    int selection() const;  // -1 while none
    void setSelection(int entry);

    void showPopup() override;

signals:
    void picked(int entry);

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    void fitDroppedListToEntries();

    bool typedOver_ = false;
};

}  // namespace halcyone
