#pragma once

#include "take/take_recorder.h"

#include <QAction>
#include <QObject>
#include <QPointer>
#include <functional>

class QWidget;

namespace quorvane {

class PlayObservers;

// Recording takes: a checkable action that starts a take at once and ends
// it when unchecked, written off the user-interface thread; the window puts
// the action in its menu and tells from recordingChanged whether a take
// runs. A take that cannot be written is kept and offered again through a
// save dialog until it is written or the user lets it go.
class TakeRecording : public QObject {
    Q_OBJECT
public:
    // dialogParent: the window the save dialog and its questions belong to.
    TakeRecording(PlayObservers& observers, std::function<void(const QString&)> showMessage,
                  QWidget* dialogParent = nullptr);
    ~TakeRecording() override;

    // "Record", checkable, Ctrl+R. The window that puts it in a menu may
    // take it into its keeping.
    QAction* action() const { return action_; }
    bool recording() const { return recorder_.recording(); }

    // The program is ending: the takes not yet written are written first.
    void endForExit();
    // Returns once the takes that ended are written, offering at once those
    // that could not be.
    void finishWriting();

    // The key the notes are kept to from now on, or none (a scale with no
    // key signature of its own): a take writes it where it changes.
    void setKey(const std::optional<KeySignature>& key) { recorder_.setKey(key); }

    // Where takes are written; tests point it elsewhere.
    QString folder;
    // Asks where to save a take that could not be written; empty: nowhere.
    std::function<QString(const QString& suggestedPath)> askSavePath;

signals:
    // A take began, or ended and was written or let go.
    void recordingChanged(bool recording);

private:
    void toggled(bool on);
    void offerElsewhere(UnwrittenTake&& unwritten);
    bool userLetsItGo();

    PlayObservers& observers_;
    std::function<void(const QString&)> showMessage_;
    QWidget* dialogParent_;
    TakeRecorder recorder_;
    QPointer<QAction> action_;
};

} // namespace quorvane
