#pragma once

class CountingHost;

namespace quorvane {
class MemoryOutputBackend;
class Program;
} // namespace quorvane

// What keeping the notes to a scale costs: the scale step alone per note,
// beside the time of a whole pass without it, and passes per second at
// delay 0 with the scale and without, taken in turns.
void benchScaleCosts(quorvane::Program& program, CountingHost& host, quorvane::MemoryOutputBackend& wire);
