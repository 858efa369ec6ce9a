#pragma once

#include "take/take_recorder.h"

#include <QObject>
#include <functional>

class QAction;
class QMainWindow;

namespace quorvane {

class PlayObservers;

// File > Record: a checkable item that starts a take at once and ends and
// writes it when unchecked (off the user-interface thread), the window's
// title telling whether a take runs. A take that cannot be written is kept
// and offered again through a save dialog until it is written or the user
// lets it go.
class TakeRecording : public QObject {
    Q_OBJECT
public:
    TakeRecording(QMainWindow& window, PlayObservers& observers, std::function<void(const QString&)> showMessage);
    ~TakeRecording() override;

    // The program is ending: the takes not yet written are written first.
    void endForExit();
    // Returns once the takes that ended are written, offering at once those
    // that could not be.
    void finishWriting();

    // Where takes are written; tests point it elsewhere.
    QString folder;
    // Asks where to save a take that could not be written; empty: nowhere.
    std::function<QString(const QString& suggestedPath)> askSavePath;

private:
    void toggled(bool on);
    void showState();
    void offerElsewhere(UnwrittenTake&& unwritten);
    bool userLetsItGo();

    QMainWindow& window_;
    PlayObservers& observers_;
    std::function<void(const QString&)> showMessage_;
    TakeRecorder recorder_;
    QAction* action_;
};

} // namespace quorvane
