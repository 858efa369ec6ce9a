#include "ui/main/menu_keys_first.h"

#include <QAction>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

namespace quorvane {

namespace {

// Sits on every control of the window. Before a key reaches a shortcut, the
// focused control is asked whether it wants the key for itself (a box takes
// Ctrl+A for select-all); held back here for a menu's key, that question goes
// unanswered and the menu's item is triggered.
class MenuKeysFirst : public QObject {
public:
    explicit MenuKeysFirst(QMainWindow& window) : QObject(&window), window_(window) { }

    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::ShortcutOverride)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (!isMenuKey(QKeySequence(key->keyCombination())))
            return false;
        key->ignore();
        return true;
    }

private:
    bool isMenuKey(const QKeySequence& pressed) const
    {
        for (const QMenu* menu : window_.menuBar()->findChildren<QMenu*>()) {
            for (const QAction* action : menu->actions()) {
                if (action->isEnabled() && !action->shortcut().isEmpty() && action->shortcut() == pressed)
                    return true;
            }
        }
        return false;
    }

    QMainWindow& window_;
};

} // namespace

void putMenuKeysFirst(QMainWindow& window)
{
    auto* filter = new MenuKeysFirst(window);
    for (QWidget* control : window.findChildren<QWidget*>())
        control->installEventFilter(filter);
}

} // namespace quorvane
