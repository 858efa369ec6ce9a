#pragma once

#include "ui/main/frm_main.h"
#include "ui/main/window_names.h"
#include "midi/memory_backend.h"
#include "engine/qt_host.h"

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

// A main window over in-memory MIDI devices and the real Qt host, loaded as
// at start-up with the output and input device 0 opened as the device dialog
// would, and the record cleared so that a test sees only what it caused.
struct MainWindowFixture {
    quorvane::QtHost host;
    quorvane::MemoryOutputBackend* out = nullptr;
    quorvane::MemoryInputBackend* in = nullptr;
    std::unique_ptr<quorvane::FrmMain> window;
    int programEnds = 0;

    explicit MainWindowFixture(bool clearLogs = true)
    {
        auto output = std::make_unique<quorvane::MemoryOutputBackend>();
        auto input = std::make_unique<quorvane::MemoryInputBackend>();
        out = output.get();
        in = input.get();
        window = std::make_unique<quorvane::FrmMain>(std::move(output), std::move(input), host);
        window->MIDIOutput1().setRecorder(out);
        window->MIDIInput1().setRecorder(in);
        window->showSetupDialog = [this] { openFirstDevices(*window); };
        window->openWithDesktop = [](const QUrl&) {};
        window->endProgram = [this] {
            ++programEnds;
            host.setEnding();
        };
        window->load();
        if (clearLogs) {
            out->clearLog();
            out->wire.clear();
            in->clearLog();
        }
    }

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
        auto* timer = new QTimer(window.get());
        QObject::connect(timer, &QTimer::timeout, window.get(), [this, timer, sends] {
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
