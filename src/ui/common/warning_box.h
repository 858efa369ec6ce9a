#pragma once

#include <QPointer>
#include <QString>

class QMessageBox;
class QWidget;

namespace quorvane {

// How every window tells the musician of something that went wrong: a modal
// warning under the program's name, over `owner`.
void showWarning(QWidget* owner, const QString& text);

// The same warnings for reports that come by themselves, one after the
// other: one that comes while an earlier one is still open joins it in the
// same box, below it. At start, the missing MIDI system and the missing sound
// server are found one just after the other, and a second box stacked over
// the first would only hide it.
class JoinedWarnings {
public:
    explicit JoinedWarnings(QWidget* owner) : owner_(owner) { }
    void show(const QString& text);

private:
    QWidget* owner_;
    QPointer<QMessageBox> open_;
};

} // namespace quorvane
