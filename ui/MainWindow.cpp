#include "ui/MainWindow.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QShortcut>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <map>

#include "compose/AppState.h"
#include "compose/ComposeCommand.h"
#include "compose/ControlSync.h"
#include "compose/PreviewImage.h"
#include "compose/WindowCommands.h"
#include "files/MidiWriter.h"
#include "files/Preferences.h"
#include "playback/Playback.h"
#include "platform/DesktopServices.h"
#include "fractal/PreviewGrid.h"
#include "compose/NotePools.h"
#include "ui/ArrowBar.h"
#include "ui/AudioExport.h"
#include "ui/ChannelButton.h"
#include "ui/ChoiceList.h"
#include "ui/ClientArea.h"
#include "ui/DialogFont.h"
#include "ui/DialogGroupBox.h"
#include "ui/DialogUnits.h"
#include "ui/FlatCheckBox.h"
#include "ui/InputGate.h"
#include "ui/LeftTextCheckBox.h"
#include "ui/PictureButton.h"
#include "ui/QtColour.h"
#include "ui/SteppedProgressBar.h"
#include "ui/UpDown.h"
#include "ui/WindowComposeProgress.h"

namespace halcyone {

namespace {

constexpr int okCommand = static_cast<int>(ControlId::Ok);
constexpr int framedTextIndent = 1;  // pixels between a framed static's edge and its text

int idOf(ControlId id) { return static_cast<int>(id); }

const std::map<int, ViewCommand> viewButtons = {
    {idOf(ControlId::ZoomOut), ViewCommand::ZoomOut},
    {idOf(ControlId::ZoomIn), ViewCommand::ZoomIn},
    {idOf(ControlId::ResetView), ViewCommand::Reset},
};

// The closed height of a drop-down list: its field; the rest of the template's height is the
// part that drops down.
int droppedRows(const ChoiceList& list, int templateHeight) {
    const int row = list.fontMetrics().height() + 2;
    return std::max(1, (templateHeight - list.sizeHint().height()) / row);
}

// The file and playback commands return what became of them; the window tells the failures.
void tell(const FileResult& result) {
    if (result.failed()) showError(windowMessage(result));
}

void tell(int musicResult) {
    if (!succeeded(musicResult)) showError(describeMusicResult(musicResult));
}

}  // namespace

MainWindow::MainWindow(const DialogTemplate& dialog) : controls_(*this) {
    setWindowTitle(QString::fromStdString(dialog.caption));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFont(dialogFont(QString::fromStdString(dialog.fontFamily)));

    client_ = new ClientArea(pixelRect(DialogRect{0, 0, dialog.width, dialog.height}).size(), this);
    setCentralWidget(client_);
    connect(client_, &ClientArea::leftButtonDown, this, &MainWindow::keyboardClick);
    connect(client_, &ClientArea::previewClicked, this, [this](QPoint pixel, bool in) {
        if (!composing_) zoomAtPreviewPixel(pixel.x(), pixel.y(), in);
    });
    connect(client_, &ClientArea::previewDragged, this, [this](QPoint from, QPoint to) {
        if (!composing_) frameSquareOfPreview(from.x(), from.y(), to.x(), to.y());
    });
    addViewHistoryKeys();
    buildMenu(dialog);

    channelButtons_ = new QButtonGroup(this);
    channelButtons_->setExclusive(true);
    std::vector<QWidget*> tabOrder;
    std::vector<QWidget*> frames;
    for (const ControlTemplate& spec : dialog.controls) {
        QWidget* widget = createControl(spec);
        if (spec.id != 0) controls_.add(static_cast<ControlId>(spec.id), widget);
        connectControl(spec, widget);
        if (spec.kind == ControlKind::Group) frames.push_back(widget);
        if (spec.isTabStop()) tabOrder.push_back(widget);
    }
    for (QWidget* frame : frames) frame->lower();  // group boxes lie behind what they frame
    // A set-up dropped anywhere on the window loads, not only where no field takes text.
    setAcceptDrops(true);
    for (QLineEdit* edit : client_->findChildren<QLineEdit*>()) {
        edit->setAcceptDrops(false);
        edit->installEventFilter(this);  // Ctrl+Z reaches the view when the field has nothing to undo
    }
    for (ChoiceList* list : client_->findChildren<ChoiceList*>()) list->installEventFilter(this);
    setTabOrder(tabOrder);
    fitDataTexts();
    moveDefaultLook(nullptr);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { moveDefaultLook(now); });
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    layout()->activate();
}

MainWindow::~MainWindow() {
    // Closing the window moves the focus once more, when its buttons are gone.
    disconnect(qApp, &QApplication::focusChanged, this, nullptr);
    if (controlHost() == &controls_) installControlHost(nullptr);
}

QWidget* MainWindow::createControl(const ControlTemplate& spec) {
    const QRect rect = pixelRect(spec.rect);
    QWidget* widget = nullptr;
    switch (spec.kind) {
        case ControlKind::List: {
            auto* list = new ChoiceList(client_);
            list->setGeometry(rect.x(), rect.y(), rect.width(), list->sizeHint().height());
            list->setMaxVisibleItems(droppedRows(*list, rect.height()));
            setFocusPolicyOf(list, spec);
            return list;
        }
        case ControlKind::UpDown: widget = new UpDown(client_); break;
        case ControlKind::Edit: widget = new QLineEdit(QString::fromStdString(spec.caption), client_); break;
        case ControlKind::HorizontalScroll: widget = new ArrowBar(Qt::Horizontal, client_); break;
        case ControlKind::VerticalScroll: widget = new ArrowBar(Qt::Vertical, client_); break;
        case ControlKind::Label: widget = createLabel(spec); break;
        case ControlKind::Group: widget = new DialogGroupBox(QString::fromStdString(spec.caption), client_); break;
        case ControlKind::CheckBox: widget = createCheckBox(spec); break;
        case ControlKind::Progress: widget = new SteppedProgressBar(client_); break;
        case ControlKind::ChannelButton:
        case ControlKind::Button:
        case ControlKind::DefaultButton:
        case ControlKind::BitmapButton: widget = createButton(spec); break;
    }
    widget->setGeometry(rect);
    setFocusPolicyOf(widget, spec);
    return widget;
}

QWidget* MainWindow::createButton(const ControlTemplate& spec) {
    const QString caption = QString::fromStdString(spec.caption);
    if (spec.kind == ControlKind::ChannelButton) {
        auto* button = new ChannelButton(caption, client_);
        button->setFlat(spec.flags.flat);
        channelButtons_->addButton(button, spec.id);
        return button;
    }
    if (spec.kind == ControlKind::BitmapButton) {
        auto* button = new PictureButton(caption, client_);
        button->setSunkenEdge(spec.flags.sunken);
        return button;
    }
    auto* button = new QPushButton(caption, client_);
    button->setAutoDefault(false);
    pushButtons_.push_back(button);
    if (spec.kind == ControlKind::DefaultButton && homeDefault_ == nullptr) homeDefault_ = button;
    return button;
}

QWidget* MainWindow::createLabel(const ControlTemplate& spec) {
    auto* label = new QLabel(QString::fromStdString(spec.caption), client_);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    if (spec.flags.sunken) label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    if (spec.flags.thinEdge) label->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    if (spec.flags.sunken || spec.flags.thinEdge) label->setIndent(framedTextIndent);
    // Static texts let clicks through to the window, as the keyboard expects.
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

QWidget* MainWindow::createCheckBox(const ControlTemplate& spec) {
    if (spec.flags.noText && spec.flags.flat) return new FlatCheckBox(client_);
    const QString text = spec.flags.noText ? QString() : QString::fromStdString(spec.caption);
    if (spec.flags.textLeft) return new LeftTextCheckBox(text, client_);
    return new QCheckBox(text, client_);
}

void MainWindow::setFocusPolicyOf(QWidget* widget, const ControlTemplate& spec) {
    if (spec.isTabStop())
        widget->setFocusPolicy(Qt::StrongFocus);
    else if (spec.kind == ControlKind::Label || spec.kind == ControlKind::Group ||
             spec.kind == ControlKind::UpDown || spec.kind == ControlKind::Progress)
        widget->setFocusPolicy(Qt::NoFocus);
    else
        widget->setFocusPolicy(Qt::ClickFocus);  // channel buttons, "Fill keys", scroll bars
}

// The read-outs and note names show texts of known longest forms: narrow the font of the
// controls that can't hold them at its full width, rather than cut them off.
void MainWindow::fitDataTexts() {
    QStringList coordinates;
    for (const double widest : {-8.888888888e-100, -8.888888888e+100, -0.8888888888, -8888888888.0})
        coordinates << QString::fromStdString(formatCoordinate(widest));
    QStringList notes;
    for (int note = 0; note < midiNoteCount; ++note) notes << QString::fromStdString(noteName(note));
    const auto fit = [this](ControlId id, const QStringList& texts) {
        auto* label = qobject_cast<QLabel*>(control(id));
        if (label) label->setFont(narrowedToFit(font(), texts, label->contentsRect().width() - label->indent()));
    };
    for (ControlId id : {ControlId::ReadoutX1, ControlId::ReadoutY1, ControlId::ReadoutX2, ControlId::ReadoutY2})
        fit(id, coordinates);
    for (ControlId id : {ControlId::LowNoteName, ControlId::HighNoteName}) fit(id, notes);
}

// A field keeps Ctrl+Z (and the redo keys) while it has typing to undo (or redo); otherwise
// they undo the view, wherever the focus happens to rest.
bool MainWindow::fieldLeavesHistoryKey(QObject* watched, const QKeyEvent& key) const {
    // A list with a field takes the keys for its field.
    const auto* list = qobject_cast<const ChoiceList*>(watched);
    const auto* edit = list ? list->lineEdit() : qobject_cast<const QLineEdit*>(watched);
    if (edit == nullptr) return false;
    const QKeyCombination pressed = key.keyCombination();
    if (pressed == QKeyCombination(Qt::CTRL | Qt::Key_Z)) return !edit->isUndoAvailable();
    if (pressed == QKeyCombination(Qt::CTRL | Qt::SHIFT | Qt::Key_Z) || pressed == QKeyCombination(Qt::CTRL | Qt::Key_Y))
        return !edit->isRedoAvailable();
    return false;
}

// Ctrl+Z undoes the last change of the current view; Ctrl+Shift+Z and Ctrl+Y redo it.
void MainWindow::addViewHistoryKeys() {
    const auto bind = [this](QKeySequence keys, void (*action)()) {
        connect(new QShortcut(keys, this), &QShortcut::activated, this, [this, action] {
            if (!composing_) action();
        });
    };
    bind(QKeySequence(Qt::CTRL | Qt::Key_Z), &undoViewChange);
    bind(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), &redoViewChange);
    bind(QKeySequence(Qt::CTRL | Qt::Key_Y), &redoViewChange);
}

// As in a dialog: the push button with the focus wears the default-button frame, and the
// window's default button wears it while the focus is on anything else.
void MainWindow::moveDefaultLook(QWidget* focused) {
    auto* button = qobject_cast<QPushButton*>(focused);
    if (std::find(pushButtons_.begin(), pushButtons_.end(), button) == pushButtons_.end()) button = homeDefault_;
    for (QPushButton* candidate : pushButtons_) candidate->setDefault(candidate == button);
}

void MainWindow::connectControl(const ControlTemplate& spec, QWidget* widget) {
    const int id = spec.id;
    if (id == 0) return;
    if (auto* list = qobject_cast<ChoiceList*>(widget)) {
        if (id == idOf(ControlId::Parameter)) {
            // Every notice of "Midi parameter" shows the row of the parameter it now names.
            connect(list, &ChoiceList::picked, this, [this, id] { command(id); });
            connect(list->lineEdit(), &QLineEdit::textEdited, this, [this, id] { command(id); });
        } else {
            connect(list, &ChoiceList::picked, this,
                    [this, id] { listPicked(static_cast<ControlId>(id)); });
        }
    } else if (auto* upDown = qobject_cast<UpDown*>(widget)) {
        // The slide speed edit takes any text up itself when it loses the focus.
        upDown->setShowsPositionOnFocusOut(id != idOf(ControlId::SlideSpeed));
    } else if (auto* bar = qobject_cast<ArrowBar*>(widget)) {
        const auto control = static_cast<ControlId>(id);
        connect(bar, &ArrowBar::lineBack, this, [this, control] { scroll(control, true); });
        connect(bar, &ArrowBar::lineForward, this, [this, control] { scroll(control, false); });
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        connect(button, &QAbstractButton::clicked, this, [this, id] { command(id); });
    } else if (id == idOf(ControlId::SlideSpeedEdit)) {
        widget->installEventFilter(this);  // its focus-lost notice stores the slide speed
    }
}

void MainWindow::buildMenu(const DialogTemplate& dialog) {
    std::map<std::string, QMenu*> menus;
    for (const MenuItemTemplate& item : dialog.menu) {
        QMenu*& menu = menus[item.menu];
        if (menu == nullptr) menu = menuBar()->addMenu(QString::fromStdString(item.menu));
        const int id = item.id;
        menu->addAction(QString::fromStdString(item.item), this, [this, id] { command(id); });
    }
}

void MainWindow::setTabOrder(const std::vector<QWidget*>& order) {
    for (std::size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

bool MainWindow::initialise() {
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    playbackState.playState = PlayState::Idle;
    installControlHost(&controls_);
    showStartState();
    if (!succeeded(createStartupPlayer())) {
        showError(initialiseFailedText);
        return false;
    }
    listMidiDevices();
    refreshPalette();
    showChannel();
    return true;
}

void MainWindow::command(int id) {
    if (composing_) return;  // input is discarded meanwhile; this catches what slips through
    if (const auto view = viewButtons.find(id); view != viewButtons.end()) {
        changeView(view->second);
        return;
    }
    if (id >= idOf(ControlId::Channel1) && id <= idOf(ControlId::Channel5)) {
        selectChannel(id - idOf(ControlId::Channel1));
        return;
    }
    switch (id) {
        case okCommand:
        case static_cast<int>(MenuCommand::Exit): quit(); break;
        case static_cast<int>(ControlId::Play): play(); break;
        case static_cast<int>(ControlId::Compose): compose(); break;
        case static_cast<int>(ControlId::Stop): stopPlayback(); break;
        case static_cast<int>(ControlId::FillKeys): fillKeys(); break;
        case static_cast<int>(MenuCommand::About): desktop().showAbout(); break;
        case static_cast<int>(MenuCommand::SaveMidiFile): tell(saveMidiFile()); break;
        case static_cast<int>(MenuCommand::SavePreferences): tell(savePreferences()); break;
        case static_cast<int>(MenuCommand::LoadPreferences): loadSetUp(); break;
        case static_cast<int>(MenuCommand::ExportAudio): AudioExport(this).run(); break;
        case static_cast<int>(MenuCommand::ExportMidiTracks): tell(saveMidiTracks()); break;
        case static_cast<int>(MenuCommand::Help): openHelp(); break;
        case static_cast<int>(ControlId::ChannelColour): chooseChannelColour(); break;
        case static_cast<int>(ControlId::ParamEnabled): takeParameterEnabled(); break;
        case static_cast<int>(ControlId::Parameter): showParameter(); break;
        case static_cast<int>(ControlId::StartColour): chooseStartColour(); break;
        case static_cast<int>(ControlId::CycleScale):
        case static_cast<int>(ControlId::AllNotes): takeCheckBox(static_cast<ControlId>(id)); break;
        case static_cast<int>(ControlId::DifferentSet): renderPreview(); break;
        case static_cast<int>(ControlId::Randomize): randomizeViews(); break;
        case static_cast<int>(ControlId::AutoColours): autoColours(); break;
        default: break;  // Escape's cancel command among them: nothing to do
    }
}

void MainWindow::listPicked(ControlId list) {
    if (!composing_) takeListChoice(list);
}

void MainWindow::scroll(ControlId bar, bool back) {
    if (composing_) return;
    switch (bar) {
        case ControlId::PanHorizontal: changeView(back ? ViewCommand::PanLeft : ViewCommand::PanRight); break;
        case ControlId::PanVertical: changeView(back ? ViewCommand::PanUp : ViewCommand::PanDown); break;
        case ControlId::LowNoteArrows:
        case ControlId::HighNoteArrows: moveNoteRange(bar, back); break;
        default: break;
    }
}

void MainWindow::keyboardClick(QPoint position) {
    if (composing_) return;
    // Client coordinates arrive as unsigned 16-bit values.
    const int px = (position.x() & 0xFFFF) - keyboardOrigin.x();
    const int py = (position.y() & 0xFFFF) - keyboardOrigin.y();
    KeyboardWidget& keyboard = client_->keyboard();
    if (keyboard.hitTest(px, py) == 0) return;
    const int r = keyboard.toggle(px, py);
    Channel& channel = *appState.currentChannel;
    if (r > OctaveWidget::selectedMark)
        channel.keys[static_cast<std::size_t>(r - OctaveWidget::selectedMark)] = 1;
    else
        channel.keys[static_cast<std::size_t>(r)] = 0;
    keyboard.draw();
    invalidate();
}

void MainWindow::compose() {
    composing_ = true;
    stopRequested_ = closeRequested_;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    bool finished = false;
    {
        InputGate gate(stopRequested_);
        WindowComposeProgress progress(stopRequested_);
        emit composeStarted();
        finished = composeAll(progress);
        gate.drain();
    }
    QApplication::restoreOverrideCursor();
    if (!finished) discardComposition();
    composing_ = false;
    emit composeFinished();
    if (closeRequested_) quit();
}

void MainWindow::play() {
    tell(writePlaybackMidiFile());  // playback is started whatever the write's outcome
    tell(startPlayback(playbackMidiPath));
}

void MainWindow::loadSetUp() { showLoadResult(loadPreferences()); }

void MainWindow::loadSetUpFrom(const std::string& path) { showLoadResult(loadPreferencesFrom(path)); }

void MainWindow::showLoadResult(const FileResult& loaded) {
    tell(loaded);
    if (loaded.ok()) showLoadedSetUp();
}

namespace {
// The set-up file a drag carries: one local file named *.mpr.
std::optional<QString> droppedSetUp(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls() || data->urls().size() != 1) return std::nullopt;
    const QUrl url = data->urls().first();
    if (!url.isLocalFile() || !url.toLocalFile().endsWith(QStringLiteral(".mpr"), Qt::CaseInsensitive))
        return std::nullopt;
    return url.toLocalFile();
}
}  // namespace

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!composing_ && droppedSetUp(event->mimeData())) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const std::optional<QString> path = droppedSetUp(event->mimeData());
    if (composing_ || !path) return;
    event->acceptProposedAction();
    loadSetUpFrom(path->toStdString());
}

void MainWindow::openHelp() {
    desktop().openHelp(helpFilePath(desktop().executablePath()));
}

void MainWindow::quit() { QApplication::exit(0); }

void MainWindow::closeEvent(QCloseEvent* event) {
    closeRequested_ = true;
    stopRequested_ = true;
    event->accept();
    if (!composing_) quit();  // a Compose stops at its next pulse and then quits
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride && fieldLeavesHistoryKey(watched, *static_cast<QKeyEvent*>(event))) {
        event->ignore();
        return true;  // not the field's: the view history's shortcut takes it
    }
    if (event->type() == QEvent::FocusOut && watched == control(ControlId::SlideSpeedEdit) &&
        !composing_)
        takeSlideSpeed();
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::setPreview(const QImage& preview) {
    // On a dense screen the preview is sampled again at the screen's resolution; the 200 x 200
    // samples stay what the palette and Compose read.
    const int scale = static_cast<int>(std::ceil(devicePixelRatioF()));
    if (scale <= 1) return client_->setPreview(preview);
    const int size = previewSize * scale;
    const std::vector<Colour> fine = previewColoursAtScale(currentView(), appState.startColour, scale);
    QImage sharp = imageOf(ControlImage{size, size, black, fine.data()});
    sharp.setDevicePixelRatio(scale);
    client_->setPreview(sharp);
}

void MainWindow::showKeys(const KeySelection& keys) {
    KeyboardWidget& keyboard = client_->keyboard();
    keyboard.create(this, keyboardOctaves, keyboardKeyUnit);
    keyboard.setFirstNote(keyboardFirstNote);
    for (int note = 1; note < keySelectionSize; ++note)
        if (keys[static_cast<std::size_t>(note)] != 0) keyboard.setKeySelected(note, true);
    keyboard.draw();
}

void MainWindow::invalidate() { client_->update(); }

}  // namespace halcyone
