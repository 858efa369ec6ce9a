#pragma once

#include "engine/composer.h"
#include "midi/midi_input.h"
#include "midi/midi_output.h"
#include "engine/panel.h"
#include "ui/record/take_recording.h"

#include <QMainWindow>
#include <QSet>
#include <QUrl>
#include <functional>
#include <memory>

namespace quorvane {

class MonitorWindow;

// The main window: every composition setting lives in its controls, it owns
// the two MIDI components for the whole run, and its load is the program's
// start-up sequence.
class FrmMain : public QMainWindow, public Panel {
    Q_OBJECT
public:
    FrmMain(std::unique_ptr<OutputBackend> output, std::unique_ptr<InputBackend> input, Host& host,
            QWidget* parent = nullptr);
    ~FrmMain() override;

    // The start-up sequence: device dialog, patch list, channel, pointer, pitch mode.
    void load();

    // The other windows, set by the program (tests leave them empty or script them):
    // the modal device dialog, the about box, and the end of the program.
    std::function<void()> showSetupDialog;
    std::function<void()> showAbout;
    std::function<void()> endProgram;
    // Hands a document or folder to the desktop; the result is not looked at.
    std::function<void(const QUrl&)> openWithDesktop;

    MidiOutput& MIDIOutput1() { return *output_; }
    MidiInput& MIDIInput1() { return *input_; }
    Composer& composer() { return *composer_; }
    // Whoever wants to see or keep what plays (the monitor, a take being
    // recorded) adds itself here; the numbers of the passes go to the monitor.
    PlayObservers& playObservers() { return playObservers_; }
    PassObservers& passObservers() { return passObservers_; }
    TakeRecording& recording() { return *recording_; }

    // Panel: the controls by object name.
    QString text(const QString& box) const override;
    void setText(const QString& box, const QString& text) override;
    int checkValue(const QString& checkBox) const override;
    void setInvalidMark(const QString& box, bool invalid) override;
    void setRedMark(const QString& box) override;
    void setFormulaBold(Formula formula, bool bold) override;
    void selectPatch(int index) override;
    void showMessage(const QString& text) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void connectControls();
    void connectMenus();
    void addRecordingToMenu();
    // The title, from what runs.
    void showTitle();
    void fillPatchList();
    void shutdown();
    void updateBackground(const QString& box);

    PlayObservers playObservers_;
    PassObservers passObservers_;
    std::unique_ptr<MidiOutput> output_;
    std::unique_ptr<MidiInput> input_;
    std::unique_ptr<Composer> composer_;
    QSet<QString> invalidBoxes_;
    QSet<QString> redBoxes_;
    bool shutDown_ = false;
    std::unique_ptr<TakeRecording> recording_;
    // Last, so that it goes before the observers it listens to.
    std::unique_ptr<MonitorWindow> monitor_;
};

} // namespace quorvane
