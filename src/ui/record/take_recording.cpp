#include "ui/record/take_recording.h"

#include "take/take_file.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMainWindow>
#include <QMenu>
#include <QMessageBox>

namespace quorvane {

TakeRecording::TakeRecording(QMainWindow& window, PlayObservers& observers,
                             std::function<void(const QString&)> showMessage)
    : folder(takesFolder()), window_(window), observers_(observers), showMessage_(std::move(showMessage)),
      action_(new QAction(tr("&Record"), &window))
{
    askSavePath = [this](const QString& suggested) {
        return QFileDialog::getSaveFileName(&window_, tr("Save the Take"), suggested, tr("MIDI files (*.mid)"));
    };
    action_->setObjectName(QStringLiteral("MnuRecord"));
    action_->setCheckable(true);
    action_->setShortcut(QKeySequence(QStringLiteral("Ctrl+R")));
    // Above Exit, the last item of the File menu.
    if (auto* file = window.findChild<QMenu*>(QStringLiteral("File")))
        file->insertAction(file->actions().value(0), action_);
    connect(action_, &QAction::toggled, this, &TakeRecording::toggled);
    recorder_.takeFull = [this](Take&& take) { save(std::move(take)); };
    observers_.add(&recorder_);
}

TakeRecording::~TakeRecording()
{
    observers_.remove(&recorder_);
}

void TakeRecording::toggled(bool on)
{
    if (on)
        recorder_.start();
    else if (std::optional<Take> take = recorder_.stop())
        save(std::move(*take));
    emit recordingChanged();
}

void TakeRecording::setScale(const ScaleChoice& scale)
{
    std::optional<KeySignature> key;
    if (scale.scale == Scale::Major || scale.scale == Scale::NaturalMinor)
        key = KeySignature::of(scale.tonic, scale.scale == Scale::NaturalMinor);
    recorder_.setKey(key);
}

void TakeRecording::endForExit()
{
    recorder_.handFullTakesOn();
    if (action_->isChecked())
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
               &window_, QStringLiteral("Quorvane"), tr("The take has not been saved anywhere. Discard it?"),
               QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Cancel) == QMessageBox::Discard;
}

} // namespace quorvane
