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
    recorder_.writeFailed = [this](UnwrittenTake&& take) { offerElsewhere(std::move(take)); };
    // Listening from the start, not only while a take runs: a take begins
    // with the programme and controllers that the messages before it left.
    observers_.add(&recorder_);
}

TakeRecording::~TakeRecording()
{
    observers_.remove(&recorder_);
}

void TakeRecording::toggled(bool on)
{
    if (on)
        recorder_.start(folder);
    else
        recorder_.stop();
    emit recordingChanged(recorder_.recording());
}

void TakeRecording::endForExit()
{
    if (action_ && action_->isChecked())
        action_->setChecked(false);
    finishWriting();
}

void TakeRecording::finishWriting()
{
    recorder_.finishWriting();
}

void TakeRecording::offerElsewhere(UnwrittenTake&& unwritten)
{
    QString path = unwritten.path;
    QString failure = unwritten.failure;
    bool chosenByUser = false; // the save dialog has asked before overwriting
    while (!failure.isEmpty()) {
        showMessage_(tr("The take could not be written to %1: %2.\n\nIt is kept: choose another place for it.")
                         .arg(QDir::toNativeSeparators(path), failure));
        QString chosen;
        while (chosen.isEmpty()) {
            chosen = askSavePath(QDir::home().filePath(QFileInfo(path).fileName()));
            if (chosen.isEmpty() && userLetsItGo()) {
                unwritten.journal.remove();
                return;
            }
        }
        path = chosen;
        chosenByUser = true;
        failure = writeTakeFile(unwritten.take, path, chosenByUser);
    }
    unwritten.journal.remove();
}

bool TakeRecording::userLetsItGo()
{
    return QMessageBox::question(
               dialogParent_, QStringLiteral("Quorvane"), tr("The take has not been saved anywhere. Discard it?"),
               QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Cancel) == QMessageBox::Discard;
}

} // namespace quorvane
