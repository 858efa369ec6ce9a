#pragma once

namespace quorvane {
class Program;
}

// What recording costs: messages, takes, file bytes and the memory held at
// the default settings (per hour) and at delay 0 (per minute), and the time
// it takes to write a take that reached its limit.
void benchTakeCosts(quorvane::Program& program);
