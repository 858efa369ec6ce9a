#pragma once

#include <QHash>
#include <QString>
#include <QWidget>

class QPlainTextEdit;

namespace quorvane {

// The about box `quorvane_about`: a picture whose four regions name what
// they show in the description box `Text3` when the pointer passes over
// them, a version label, a Latin verse and a button that hides the window.
//
// Its button only hides it, so it keeps its texts; its close box destroys
// it. Use showAboutBox() rather than creating one directly: it keeps the
// single instance.
class AboutBox : public QWidget {
    Q_OBJECT
public:
    explicit AboutBox(QWidget* owner = nullptr);

    // The verse box's text as designed: 13 lines separated by CR LF.
    static QString verse();
    // What the description box shows when the pointer is over the verse box.
    static QString verseSource();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void setDescription(const QString& text);

    QPlainTextEdit* description_ = nullptr;
    // The controls that write the description box when the pointer is over
    // them, with the text each one writes. Everything else leaves it alone.
    QHash<QObject*, QString> pointerTexts_;
};

// Shows the about box without blocking: creates it on first use (or after
// its close box destroyed it) as a window of `owner`, otherwise shows the
// existing one again, raised, with its texts as they were.
void showAboutBox(QWidget* owner);

// The about box while it is loaded (shown or hidden), else nullptr.
AboutBox* loadedAboutBox();

} // namespace quorvane
