#pragma once

class QMainWindow;

namespace quorvane {

// The menu's shortcuts come before the focused control's own use of the same
// keys: Ctrl+A is "All Off" also while a settings box has the focus (a box's
// "Select All" stays on its context menu), so the panic key works where it is
// most needed, right after a value was typed.
void putMenuKeysFirst(QMainWindow& window);

} // namespace quorvane
