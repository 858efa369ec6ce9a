#include "ui/record/take_recovery.h"

#include "take/take_file.h"
#include "take/take_journal.h"
#include "ui/common/warning_box.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>

namespace quorvane {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("TakeRecovery", text);
}

enum class Answer { Recover, Discard, None };

Answer ask(QWidget* owner, const QString& journal, const Take& take)
{
    QMessageBox box(
        QMessageBox::Question, QStringLiteral("Quorvane"),
        tr("Quorvane ended while it recorded a take, started %1, before the take was written. "
           "What it played is kept in\n%2\n\nRecover it as a MIDI file beside the other takes?")
            .arg(QLocale().toString(take.startedAt(), QLocale::LongFormat), QDir::toNativeSeparators(journal)),
        QMessageBox::NoButton, owner);
    QPushButton* recover = box.addButton(tr("Recover"), QMessageBox::AcceptRole);
    QPushButton* discard = box.addButton(tr("Discard"), QMessageBox::DestructiveRole);
    box.setDefaultButton(recover);
    box.exec();
    if (box.clickedButton() == recover)
        return Answer::Recover;
    return box.clickedButton() == discard ? Answer::Discard : Answer::None;
}

} // namespace

void offerLeftTakes(QWidget* owner, const QString& folder)
{
    for (const QString& journal : leftJournals(folder)) {
        const std::optional<Take> take = readJournal(journal);
        if (!take)
            continue; // not a journal of ours: left as it is
        if (take->events().empty()) {
            QFile::remove(journal); // ended before anything was played
            continue;
        }
        switch (ask(owner, journal, *take)) {
        case Answer::Recover: {
            const QString path = freeTakePath(folder, take->startedAt());
            const QString failure = writeTakeFile(*take, path);
            if (failure.isEmpty())
                QFile::remove(journal);
            else
                showWarning(owner,
                            tr("The take could not be written to %1: %2.\n\nIt stays in %3, and is offered "
                               "again at the next start.")
                                .arg(QDir::toNativeSeparators(path), failure, QDir::toNativeSeparators(journal)));
            break;
        }
        case Answer::Discard: QFile::remove(journal); break;
        case Answer::None: return; // the program is ending: the rest waits for the next start
        }
    }
}

} // namespace quorvane
