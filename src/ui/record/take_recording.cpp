#include "ui/record/take_recording.h"

#include "take/take_file.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace quorvane {

TakeRecording::TakeRecording(PlayObservers& observers, std::function<void(const QString&)> showMessage,
                             QWidget* dialogParent)
    : folder(takesFolder()), observers_(observers), showMessage_(std::move(showMessage)), dialogParent_(dialogParent),
      action_(new QAction(tr("&Record"), this))
{
    askSavePath = [this](const QString& suggested) {
        return QFileDialog::getSaveFileName(dialogParent_, tr("Save the Take"), suggested, tr("MIDI files (*.mid)"));
    };
    action_->setCheckable(true);
    action_->setShortcut(QKeySequence(QStringLiteral("Ctrl+R")));
    connect(action_, &QAction::toggled, this, &TakeRecording::toggled);
    recorder_.takeFull = [this](Take&& take) { save(std::move(take)); };
}

TakeRecording::~TakeRecording()
{
    observers_.remove(&recorder_);
}

void TakeRecording::toggled(bool on)
{
    // Listening only while a take runs: with nobody listening, what the
    // output sends costs the observers next to nothing.
    if (on) {
        recorder_.start();
        observers_.add(&recorder_);
    } else {
        observers_.remove(&recorder_);
        if (std::optional<Take> take = recorder_.stop())
            save(std::move(*take));
    }
    emit recordingChanged(recorder_.recording());
}

void TakeRecording::endForExit()
{
    recorder_.handFullTakesOn();
    if (action_ && action_->isChecked())
        action_->setChecked(false);
}

void TakeRecording::save(Take&& take)
{
    QString path = freeTakePath(folder, take.startedAt());
    bool chosenByUser = false; // the save dialog has asked before overwriting
    for (;;) {
        const QString failure = writeTakeFile(take, path, chosenByUser);
        if (failure.isEmpty())
            return;
        showMessage_(tr("The take could not be written to %1: %2.\n\nIt is kept: choose another place for it.")
                         .arg(QDir::toNativeSeparators(path), failure));
        QString chosen;
        while (chosen.isEmpty()) {
            chosen = askSavePath(QDir::home().filePath(QFileInfo(path).fileName()));
            if (chosen.isEmpty() && userLetsItGo())
                return;
        }
        path = chosen;
        chosenByUser = true;
    }
}

bool TakeRecording::userLetsItGo()
{
    return QMessageBox::question(
               dialogParent_, QStringLiteral("Quorvane"), tr("The take has not been saved anywhere. Discard it?"),
               QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Cancel) == QMessageBox::Discard;
}

} // namespace quorvane
