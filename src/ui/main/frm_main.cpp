#include "ui/main/frm_main.h"

#include "ui/main/explanations.h"
#include "ui/main/general_midi_patches.h"
#include "engine/input_forwarding.h"
#include "ui/main/main_window_layout.h"
#include "ui/main/mixmaster_document.h"
#include "engine/panic.h"
#include "ui/main/paths_dialog.h"
#include "ui/main/scale_menus.h"
#include "ui/main/window_names.h"
#include "ui/common/box_mark.h"
#include "ui/common/warning_box.h"
#include "ui/monitor/monitor_window.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QSignalBlocker>
#include <QDesktopServices>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

namespace quorvane {

FrmMain::FrmMain(Build when, QWidget* parent)
    : QMainWindow(parent), openWithDesktop([](const QUrl& url) { QDesktopServices::openUrl(url); })
{
    setObjectName(controls::Window);
    if (when == Build::Now)
        build();
    showTitle();
}

void FrmMain::build()
{
    if (built_)
        return;
    buildMainWindowLayout(*this);
    built_ = true;
    if (composer_)
        wire();
}

void FrmMain::attach(const MainWindowParts& parts)
{
    output_ = &parts.output;
    input_ = &parts.input;
    composer_ = &parts.composer;
    recording_ = &parts.recording;
    playObservers_ = &parts.playObservers;
    passObservers_ = &parts.passObservers;
    clockOut_ = &parts.clockOut;
    // Wired at once, not with the controls: the device dialog may open and
    // fail devices before the controls are built behind it.
    auto tellFailure = [this](const QString& text) { deviceWarnings_.show(text); };
    connect(input_, &MidiInput::failureToTell, this, tellFailure);
    connect(output_, &MidiOutput::failureToTell, this, tellFailure);
    if (built_)
        wire();
    showTitle();
}

void FrmMain::wire()
{
    connectControls();
    connectMenus();
    addRecordingToMenu();
}

FrmMain::~FrmMain() = default;

void FrmMain::connectControls()
{
    auto button = [this](const char* name) { return findChild<QPushButton*>(QString::fromLatin1(name)); };
    auto box = [this](const QString& name) { return findChild<QLineEdit*>(name); };

    for (Mode mode : allModes) {
        connect(findChild<QCheckBox*>(controls::doMode(mode)), &QCheckBox::clicked, this,
                [this] { composer_->refreshModeFlags(); });
        connect(box(controls::transposition(mode)), &QLineEdit::textChanged, this,
                [this, mode] { composer_->transposeTextChanged(mode); });
        connect(box(controls::result(mode)), &QLineEdit::textChanged, this,
                [this, mode] { composer_->resultTextChanged(mode); });
    }
    connect(box(controls::Delay), &QLineEdit::textChanged, this, [this] { composer_->delayTextChanged(); });
    connect(box(controls::StartNote), &QLineEdit::textChanged, this, [this] { composer_->startNoteTextChanged(); });
    for (const char* end : {controls::PitchMin, controls::PitchMax})
        connect(box(end), &QLineEdit::textChanged, this, [this] { composer_->noteRangeTextChanged(); });
    // Whether the range holds a note of the scale matters only while it is used.
    connect(findChild<QCheckBox*>(controls::UseMinMax), &QCheckBox::toggled, this,
            [this] { composer_->noteRangeTextChanged(); });
    connect(box(controls::Modulo), &QLineEdit::textChanged, this, [this] { composer_->moduloTextChanged(); });

    connect(button(controls::DoIt), &QPushButton::clicked, this, [this] { composer_->runWondrousness(); });
    connect(button(controls::StopIt), &QPushButton::clicked, this, [this] { composer_->stopWondrousness(); });
    connect(button(controls::MixDoIt), &QPushButton::clicked, this, [this] { composer_->runMixmaster(); });
    connect(button(controls::MixStopIt), &QPushButton::clicked, this, [this] { composer_->stopMixmaster(); });

    connect(findChild<QComboBox*>(controls::PatchList), &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            composer_->patchSelected(index);
    });

    connect(button(controls::ExplainMixmaster), &QPushButton::clicked, this,
            [this] { showExplanation(this, mixmasterExplanationTitle(), mixmasterExplanation()); });
    connect(button(controls::ExplainWondrousness), &QPushButton::clicked, this,
            [this] { showExplanation(this, wondrousnessExplanationTitle(), wondrousnessExplanation()); });
    connect(button(controls::MixmasterDocument), &QPushButton::clicked, this,
            [this] { openWithDesktop(QUrl::fromLocalFile(mixmasterDocumentPath())); });

    // The test note follows the mouse button alone; the keyboard's click of
    // the button must not leave a note hanging, so signals are not used.
    button(controls::TestNote)->installEventFilter(this);

    connect(input_, &MidiInput::messageArrived, this,
            [this] { forwardInput(*input_, *output_, composer_->midiChannel(), clockOut_->sending(), *this); });
}

void FrmMain::connectMenus()
{
    auto action = [this](const char* name) { return findChild<QAction*>(QString::fromLatin1(name)); };
    connect(action(menus::Exit), &QAction::triggered, this, &QWidget::close);
    connect(action(menus::MidiSetup), &QAction::triggered, this, [this] {
        if (showSetupDialog)
            showSetupDialog();
    });
    connect(action(menus::About), &QAction::triggered, this, [this] {
        if (showAbout)
            showAbout();
    });
    connect(action(menus::Sync), &QAction::triggered, this, [this] {
        if (showSync)
            showSync();
    });
    connect(action(menus::Paths), &QAction::triggered, this,
            [this] { showPathsDialog(this, recording_->folder, openWithDesktop); });
    connect(action(menus::AllOff), &QAction::triggered, this, [this] { allOff(*composer_, composer_->midiChannel()); });
    connect(action(menus::AllChannelsAllOff), &QAction::triggered, this, [this] { allChannelsAllOff(*composer_); });
    connect(action(menus::Monitor), &QAction::triggered, this,
            [this] { showMonitor(monitor_, *playObservers_, *passObservers_, generalMidiPatchNames(), this); });
    for (const char* menu : {menus::Scale, menus::Key})
        connect(findChild<QMenu*>(menu), &QMenu::triggered, this, &FrmMain::scaleChosen);
}

void FrmMain::scaleChosen()
{
    const ScaleChoice choice = checkedScale(*this);
    composer_->setScale(choice);
    recording_->setKey(keySignatureOf(choice));
    showTitle();
}

void FrmMain::addRecordingToMenu()
{
    QAction* record = recording_->action();
    record->setObjectName(menus::Record);
    // Above Exit, the last item of the File menu, which keeps it as it keeps
    // its other items.
    auto* file = findChild<QMenu*>(menus::File);
    file->insertAction(findChild<QAction*>(menus::Exit), record);
    record->setParent(file);
    connect(recording_, &TakeRecording::recordingChanged, this, &FrmMain::showTitle);
}

void FrmMain::showTitle()
{
    // The title tells at a glance, without a menu opened or a control of the
    // fixed layout moved, the scale the notes are kept to and that a take is
    // being recorded: "Quorvane - C Major - recording".
    QStringList title{QStringLiteral("Quorvane")};
    const QString scale = composer_ ? scaleTitle(composer_->scale()) : QString();
    if (!scale.isEmpty())
        title << scale;
    if (recording_ && recording_->recording())
        title << QStringLiteral("recording");
    setWindowTitle(title.join(QStringLiteral(" - ")));
}

void FrmMain::load()
{
    // The hourglass while the program loads, put up as soon as the event
    // loop runs, that is with the device dialog on screen: the desktop's
    // animated hourglass is megabytes of pictures to read and hand to the
    // display, and the dialog need not wait for them.
    bool hourglass = false;
    QTimer putUp;
    putUp.setSingleShot(true);
    connect(&putUp, &QTimer::timeout, this, [&hourglass] {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        hourglass = true;
    });
    putUp.start(0);
    move(twips(1200), twips(1200));
    if (showSetupDialog)
        showSetupDialog();
    build();
    fillPatchList();
    putUp.stop(); // a load that ends before the event loop ran never puts it up
    if (hourglass)
        QGuiApplication::restoreOverrideCursor();
    composer_->setModeOn(Mode::Pitch, true);
}

void FrmMain::fillPatchList()
{
    auto* combo = findChild<QComboBox*>(controls::PatchList);
    // Appending is no selection; choosing entry 0 afterwards is, and sends
    // programme 0 once.
    combo->blockSignals(true);
    combo->addItems(generalMidiPatchNames());
    combo->blockSignals(false);
    selectPatch(0);
}

bool FrmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == findChild<QPushButton*>(controls::TestNote)) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: composer_->testNote(60); break;
        case QEvent::MouseButtonRelease: composer_->testNote(0); break;
        default: break;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void FrmMain::closeEvent(QCloseEvent* event)
{
    shutdown();
    event->accept();
}

void FrmMain::shutdown()
{
    if (shutDown_)
        return;
    shutDown_ = true;
    // The note a running formula struck last must not hang on the synth after
    // the program has gone, also when the close arrives during its pause.
    if (checkValue(controls::UseNoteOff) == 1)
        composer_->silenceSoundingNote();
    input_->setAction(MidiInput::Stop);
    input_->setAction(MidiInput::Close);
    output_->setAction(MidiOutput::Close);
    recording_->endForExit();
    if (endProgram)
        endProgram();
}

QString FrmMain::text(const QString& box) const
{
    if (auto* line = findChild<QLineEdit*>(box))
        return line->text();
    if (auto* multi = findChild<QPlainTextEdit*>(box))
        return multi->toPlainText();
    return QString();
}

void FrmMain::setText(const QString& box, const QString& text)
{
    if (auto* line = findChild<QLineEdit*>(box))
        line->setText(text);
    else if (auto* multi = findChild<QPlainTextEdit*>(box))
        multi->setPlainText(text);
}

int FrmMain::checkValue(const QString& checkBox) const
{
    auto* box = findChild<QCheckBox*>(checkBox);
    return box && box->isChecked() ? 1 : 0;
}

void FrmMain::updateBackground(const QString& box)
{
    const BoxMark mark = redBoxes_.contains(box)       ? BoxMark::Red
                         : invalidBoxes_.contains(box) ? BoxMark::Unusable
                                                       : BoxMark::None;
    const bool rangeEnd = box == QLatin1String(controls::PitchMin) || box == QLatin1String(controls::PitchMax);
    const QString why = !invalidBoxes_.contains(box) ? QString()
                        : rangeEnd ? tr("Minimum and maximum must be whole note numbers from 0 to 127, the minimum "
                                        "first, with a note of the chosen scale between them.")
                                   : tr("This box must hold a number.");
    showBoxMark(findChild<QLineEdit*>(box), mark, why);
}

void FrmMain::setInvalidMark(const QString& box, bool invalid)
{
    if (invalid == invalidBoxes_.contains(box))
        return;
    if (invalid)
        invalidBoxes_.insert(box);
    else
        invalidBoxes_.remove(box);
    updateBackground(box);
}

void FrmMain::setRedMark(const QString& box)
{
    redBoxes_.insert(box);
    updateBackground(box);
}

void FrmMain::setFormulaBold(Formula formula, bool bold)
{
    if (auto* frame = findChild<QGroupBox*>(controls::formulaFrame(formula))) {
        QFont font = frame->font();
        font.setBold(bold);
        frame->setFont(font);
    }
}

void FrmMain::selectPatch(int index)
{
    auto* combo = findChild<QComboBox*>(controls::PatchList);
    // Choosing the entry already shown is still a choice: the instrument is
    // sent again, so a synth that drifted elsewhere follows.
    if (combo->currentIndex() == index)
        composer_->patchSelected(index);
    else
        combo->setCurrentIndex(index);
}

void FrmMain::followPatch(int index)
{
    auto* combo = findChild<QComboBox*>(controls::PatchList);
    {
        // The selection handling would send the programme change again.
        const QSignalBlocker quiet(combo);
        combo->setCurrentIndex(index);
    }
    composer_->patchFollowed(index);
}

void FrmMain::showMessage(const QString& text)
{
    showWarning(this, text);
}

} // namespace quorvane
