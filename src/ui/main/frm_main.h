#pragma once

#include "engine/composer.h"
#include "engine/panel.h"
#include "engine/pass_observer.h"
#include "midi/midi_input.h"
#include "midi/midi_output.h"
#include "sync/midi_clock_out.h"
#include "ui/common/warning_box.h"
#include "ui/record/take_recording.h"

#include <QMainWindow>
#include <QSet>
#include <QUrl>
#include <functional>
#include <memory>

namespace quorvane {

class MonitorWindow;

// What the main window shows and drives, made by the program: the two MIDI
// components, the composer its controls play, the recording of its File
// menu, and whom the monitor listens to.
struct MainWindowParts {
    MidiOutput& output;
    MidiInput& input;
    Composer& composer;
    TakeRecording& recording;
    PlayObservers& playObservers;
    PassObservers& passObservers;
    MidiClockOut& clockOut; // whose clock replaces the one forwarded from the input
};

// The main window: every composition setting lives in its controls, and its
// load is the program's start-up sequence.
class FrmMain : public QMainWindow, public Panel {
    Q_OBJECT
public:
    // When the controls and menus are built: at once, or at build(), for a
    // program that shows its device dialog before it builds them.
    enum class Build { Now, Later };

    // The controls and menus. They are the composer's panel, so the window
    // comes first and is handed its parts once they are made.
    explicit FrmMain(QWidget* parent = nullptr) : FrmMain(Build::Now, parent) { }
    explicit FrmMain(Build when, QWidget* parent = nullptr);
    ~FrmMain() override;

    // Wires the controls and menus to the parts; once, before the window
    // shows. Controls not built yet are wired as build() makes them.
    void attach(const MainWindowParts& parts);
    // Builds the controls and menus, unless they are; load() does it after
    // the device dialog at the latest.
    void build();
    bool built() const { return built_; }

    // The start-up sequence: device dialog, patch list, pointer, pitch mode.
    void load();

    // The other windows, set by the program (tests leave them empty or script them):
    // the modal device dialog, the about box, the sync window, and the end of
    // the program.
    std::function<void()> showSetupDialog;
    std::function<void()> showAbout;
    std::function<void()> showSync;
    std::function<void()> endProgram;
    // Hands a document or folder to the desktop; the result is not looked at.
    std::function<void(const QUrl&)> openWithDesktop;

    MidiOutput& MIDIOutput1() { return *output_; }
    MidiInput& MIDIInput1() { return *input_; }

    // Panel: the controls by object name.
    QString text(const QString& box) const override;
    void setText(const QString& box, const QString& text) override;
    int checkValue(const QString& checkBox) const override;
    void setInvalidMark(const QString& box, bool invalid) override;
    void setRedMark(const QString& box) override;
    void setFormulaBold(Formula formula, bool bold) override;
    void selectPatch(int index) override;
    void followPatch(int index) override;
    void showMessage(const QString& text) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void wire();
    void connectControls();
    void connectMenus();
    void addRecordingToMenu();
    // The title, from what runs.
    void showTitle();
    void fillPatchList();
    void shutdown();
    void updateBackground(const QString& box);
    // An item of Edit > Scale or Edit > Key was chosen.
    void scaleChosen();

    MidiOutput* output_ = nullptr;
    MidiInput* input_ = nullptr;
    Composer* composer_ = nullptr;
    TakeRecording* recording_ = nullptr;
    PlayObservers* playObservers_ = nullptr;
    PassObservers* passObservers_ = nullptr;
    MidiClockOut* clockOut_ = nullptr;
    QSet<QString> invalidBoxes_;
    QSet<QString> redBoxes_;
    bool built_ = false;
    bool shutDown_ = false;
    // What the MIDI components report by themselves.
    JoinedWarnings deviceWarnings_{this};
    // Goes with the window, before the observers it listens to.
    std::unique_ptr<MonitorWindow> monitor_;
};

} // namespace quorvane
