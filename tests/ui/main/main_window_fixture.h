#pragma once

#include "app/program.h"
#include "ui/main/window_names.h"
#include "memory_backend.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <memory>

// What the device dialog does at start-up: output and input device 0 opened,
// the input receiving.
inline void openFirstDevices(quorvane::FrmMain& window)
{
    window.MIDIOutput1().setDeviceNumber(0);
    window.MIDIOutput1().setAction(1);
    window.MIDIInput1().setDeviceNumber(0);
    window.MIDIInput1().setAction(1);
    window.MIDIInput1().setAction(4);
}

// The program over in-memory MIDI devices and its own Qt host, put together
// as for the user, loaded as at start-up with the output and input device 0
// opened as the device dialog would, and the record cleared so that a test
// sees only what it caused.
struct MainWindowFixture {
    quorvane::MemoryOutputBackend* out = nullptr;
    quorvane::MemoryInputBackend* in = nullptr;
    std::unique_ptr<quorvane::Program> program;
    quorvane::FrmMain* window = nullptr;
    int programEnds = 0;

    explicit MainWindowFixture(bool clearLogs = true)
    {
        auto output = std::make_unique<quorvane::MemoryOutputBackend>();
        auto input = std::make_unique<quorvane::MemoryInputBackend>();
        out = output.get();
        in = input.get();
        program = std::make_unique<quorvane::Program>(std::move(output), std::move(input));
        window = &program->window();
        window->MIDIOutput1().setRecorder(out);
        window->MIDIInput1().setRecorder(in);
        window->showSetupDialog = [this] { openFirstDevices(*window); };
        window->openWithDesktop = [](const QUrl&) {};
        // The test goes on after the window closes: the program's end is counted, not made.
        window->endProgram = [this] {
            ++programEnds;
            program->host().setEnding();
        };
        window->load();
        if (clearLogs) {
            out->clearLog();
            out->wire.clear();
            in->clearLog();
        }
    }

    quorvane::Composer& composer() const { return program->composer(); }

    template <class T = QWidget>
    T* find(const QString& name) const
    {
        return window->findChild<T*>(name);
    }
    QPushButton* button(const QString& name) const { return find<QPushButton>(name); }
    QLineEdit* box(const QString& name) const { return find<QLineEdit>(name); }
    QCheckBox* check(const QString& name) const { return find<QCheckBox>(name); }
    QComboBox* patches() const { return find<QComboBox>(quorvane::controls::PatchList); }

    // Clicks "Stop it" of the Wondrousness frame once the formula has made
    // at least `passes` sends, from inside its yield, as a user would.
    void stopWondrousnessAfter(std::size_t sends)
    {
        auto* timer = new QTimer(window);
        QObject::connect(timer, &QTimer::timeout, window, [this, timer, sends] {
            if (out->wire.size() >= sends) {
                timer->stop();
                timer->deleteLater();
                button(quorvane::controls::StopIt)->click();
            }
        });
        timer->start(1);
    }
};

// Runs `act` as soon as a modal window is open, then closes that window.
template <class Act>
void whenModalOpens(Act act)
{
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            act(modal);
            modal->close();
        }
    });
    timer->start(5);
}
