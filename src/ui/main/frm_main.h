#pragma once

#include "composer.h"
#include "midi_input.h"
#include "midi_output.h"
#include "panel.h"

#include <QMainWindow>
#include <QSet>
#include <functional>
#include <memory>

class QGroupBox;

namespace quorvane {

// The main window: every composition setting lives in its controls, it owns
// the two MIDI components for the whole run, and its load is the program's
// start-up sequence.
class FrmMain : public QMainWindow, public Panel {
    Q_OBJECT
public:
    FrmMain(std::unique_ptr<OutputBackend> output, std::unique_ptr<InputBackend> input, Host& host,
            QWidget* parent = nullptr);
    ~FrmMain() override;

    // The start-up sequence; shows the device dialog through the hook below.
    void load();
    // Step 3 of the start-up: the modal device dialog (set by the program;
    // tests leave it empty or script it).
    std::function<void()> showSetupDialog;

    MidiOutput& MIDIOutput1() { return *output_; }
    MidiInput& MIDIInput1() { return *input_; }
    Composer& composer() { return *composer_; }

    // Panel: the controls by object name.
    QString text(const QString& box) const override;
    void setText(const QString& box, const QString& text) override;
    int checkValue(const QString& checkBox) const override;
    void setInvalidMark(const QString& box, bool invalid) override;
    void setRedMark(const QString& box) override;
    void setFormulaBold(int formula, bool bold) override;
    void selectPatch(int index) override;
    void showMessage(const QString& text) override;

private:
    void connectControls();
    void updateBackground(const QString& box);

    std::unique_ptr<MidiOutput> output_;
    std::unique_ptr<MidiInput> input_;
    std::unique_ptr<Composer> composer_;
    QSet<QString> invalidBoxes_;
    QSet<QString> redBoxes_;
};

} // namespace quorvane
