#pragma once

namespace quorvane {
class FrmMain;
}

// What recording costs: messages, memory and file bytes of a take at the
// default settings (per hour) and at delay 0 (per minute), and the time and
// memory it takes to write a take that reached its limit.
void benchTakeCosts(quorvane::FrmMain& window);
