#include "ui/Controls.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

#include "platform/WholeNumber.h"

namespace halcyone {

namespace {
constexpr int repeatDelayMs = 400;     // before an arrow held down starts repeating
constexpr int repeatIntervalMs = 60;
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
}

int ChoiceList::selection() const { return typedOver_ ? -1 : currentIndex(); }

void ChoiceList::setSelection(int entry) {
    typedOver_ = false;
    setCurrentIndex(entry >= 0 && entry < count() ? entry : -1);
    lineEdit()->home(false);  // a long name shows its beginning
}

UpDown::UpDown(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (const auto& [arrow, delta] : {std::pair{Qt::UpArrow, 1}, std::pair{Qt::DownArrow, -1}}) {
        auto* button = new QToolButton(this);
        button->setArrowType(arrow);
        button->setAutoRepeat(true);
        button->setAutoRepeatDelay(repeatDelayMs);
        button->setAutoRepeatInterval(repeatIntervalMs);
        button->setFocusPolicy(Qt::NoFocus);
        button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
        connect(button, &QToolButton::clicked, this, [this, delta = delta] { stepBy(delta); });
        layout->addWidget(button);
    }
    setFocusPolicy(Qt::NoFocus);
}

void UpDown::setBuddy(QLineEdit* buddy) {
    if (buddy == buddy_) {
        showPosition();
        return;
    }
    if (buddy_) buddy_->removeEventFilter(this);
    buddy_ = buddy;
    if (!buddy_) return;
    buddy_->installEventFilter(this);
    QRect edit = buddy_->geometry();
    edit.setWidth(std::max(edit.width() - width(), 1));
    buddy_->setGeometry(edit);
    move(edit.right() + 1, edit.top());
    resize(width(), edit.height());
    showPosition();
}

void UpDown::setRange(int low, int high) {
    low_ = low;
    high_ = high;
    position_ = std::clamp(position_, std::min(low_, high_), std::max(low_, high_));
}

int UpDown::position() {
    if (buddy_) {
        const auto typed = wholeNumber(buddy_->text().toStdString());
        if (typed && *typed >= std::min(low_, high_) && *typed <= std::max(low_, high_))
            position_ = static_cast<int>(*typed);
    }
    return position_;
}

int UpDown::setPosition(int position) {
    const int previous = position_;
    position_ = std::clamp(position, std::min(low_, high_), std::max(low_, high_));
    showPosition();
    return previous;
}

void UpDown::stepBy(int delta) {
    setPosition(position() + delta);
    if (buddy_) buddy_->selectAll();
}

void UpDown::showPosition() {
    if (buddy_) buddy_->setText(QString::number(position_));
}

bool UpDown::eventFilter(QObject* watched, QEvent* event) {
    if (watched == buddy_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            stepBy(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

ArrowBar::ArrowBar(Qt::Orientation orientation, QWidget* parent)
    : QWidget(parent), orientation_(orientation) {
    setFocusPolicy(Qt::NoFocus);
    repeat_.setInterval(repeatIntervalMs);
    connect(&repeat_, &QTimer::timeout, this, [this] {
        repeat_.setInterval(repeatIntervalMs);
        if (arrowAt(mapFromGlobal(QCursor::pos())) == pressed_) fire();
    });
}

namespace {
QStyleOptionSlider arrowBarOption(const QWidget& bar, Qt::Orientation orientation) {
    QStyleOptionSlider option;
    option.initFrom(&bar);
    option.orientation = orientation;
    if (orientation == Qt::Horizontal) option.state |= QStyle::State_Horizontal;
    option.minimum = 0;
    option.maximum = 0;  // no range: the thumb has nowhere to go
    option.pageStep = 1;
    option.subControls = QStyle::SC_All;
    return option;
}
}  // namespace

void ArrowBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QStyleOptionSlider option = arrowBarOption(*this, orientation_);
    if (pressed_ != Arrow::None) {
        option.activeSubControls =
            pressed_ == Arrow::Back ? QStyle::SC_ScrollBarSubLine : QStyle::SC_ScrollBarAddLine;
        option.state |= QStyle::State_Sunken;
    }
    style()->drawComplexControl(QStyle::CC_ScrollBar, &option, &painter, this);
}

ArrowBar::Arrow ArrowBar::arrowAt(const QPoint& point) const {
    const QStyleOptionSlider option = arrowBarOption(*this, orientation_);
    switch (style()->hitTestComplexControl(QStyle::CC_ScrollBar, &option, point, this)) {
        case QStyle::SC_ScrollBarSubLine:
            return Arrow::Back;
        case QStyle::SC_ScrollBarAddLine:
            return Arrow::Forward;
        default:
            return Arrow::None;
    }
}

void ArrowBar::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    pressed_ = arrowAt(event->position().toPoint());
    if (pressed_ == Arrow::None) return;  // page areas and the thumb do nothing
    update();
    fire();
    repeat_.start(repeatDelayMs);
}

void ArrowBar::mouseReleaseEvent(QMouseEvent*) {
    repeat_.stop();
    pressed_ = Arrow::None;
    update();
}

void ArrowBar::fire() {
    if (pressed_ == Arrow::Back) emit lineBack();
    if (pressed_ == Arrow::Forward) emit lineForward();
}

SteppedProgressBar::SteppedProgressBar(QWidget* parent) : QProgressBar(parent) {
    setTextVisible(false);
    setRange(0, 100);
    setValue(0);
}

int SteppedProgressBar::stepIt() {
    const int previous = value();
    int next = previous + step_;
    const int span = maximum() - minimum();
    if (span > 0 && next > maximum()) next = minimum() + (next - minimum()) % span;
    setValue(next);
    return previous;
}

LeftTextCheckBox::LeftTextCheckBox(const QString& text, QWidget* parent)
    : QCheckBox(text, parent) {}

void LeftTextCheckBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QRect box = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this);
    QStyleOptionButton indicator = option;
    indicator.rect = QRect(width() - box.width(), (height() - box.height()) / 2, box.width(),
                           box.height());
    style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &indicator, &painter, this);
    const QRect textArea(0, 0, indicator.rect.left() - 1, height());
    style()->drawItemText(&painter, textArea, Qt::AlignLeft | Qt::AlignVCenter, palette(),
                          isEnabled(), text(), QPalette::WindowText);
    if (hasFocus() && option.state & QStyle::State_KeyboardFocusChange) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = textArea;
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

bool LeftTextCheckBox::hitButton(const QPoint& position) const { return rect().contains(position); }

PictureButton::PictureButton(const QString& caption, QWidget* parent)
    : QPushButton(caption, parent) {
    setAccessibleName(caption);
}

void PictureButton::setPicture(const QImage& picture) {
    setText(QString());
    setIcon(QIcon(QPixmap::fromImage(picture)));
    setIconSize(picture.size());
}

}  // namespace halcyone
