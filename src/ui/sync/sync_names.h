#pragma once

// The object names of the sync window's parts, for the window itself, its
// tests and outside tools that drive it.
namespace quorvane::syncnames {

inline constexpr char Window[] = "SyncWindow";
inline constexpr char FreeSource[] = "SourceFree";
inline constexpr char TempoSource[] = "SourceTempo";
inline constexpr char ClockInSource[] = "SourceMidiClockIn";
inline constexpr char TransportSource[] = "SourceJackTransport";
inline constexpr char TempoBox[] = "TempoText";
inline constexpr char LinkSource[] = "SourceLink";
inline constexpr char StartStopSync[] = "StartStopSync";
inline constexpr char Quarter[] = "GridQuarter";
inline constexpr char Eighth[] = "GridEighth";
inline constexpr char Sixteenth[] = "GridSixteenth";
inline constexpr char ThirtySecond[] = "GridThirtySecond";
inline constexpr char SendClock[] = "SendMidiClock";
inline constexpr char Status[] = "SyncStatus";

} // namespace quorvane::syncnames
