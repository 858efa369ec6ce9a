#include "devices/jack_thru_events.h"

#include <jack/midiport.h>

namespace quorvane {

ForwardedInput::ForwardedInput(void* inputBuffer, const InputThru::Settings& settings)
    : input_(inputBuffer), settings_(settings), count_(inputBuffer ? jack_midi_get_event_count(inputBuffer) : 0)
{ }

bool ForwardedInput::passes(std::uint32_t index) const
{
    jack_midi_event_t event;
    if (jack_midi_event_get(&event, input_, index) != 0)
        return false;
    return settings_.forwardingOf(event.buffer, event.size) != Forwarding::Drop;
}

bool ForwardedInput::nextOffset(jack_nframes_t& offset)
{
    while (next_ < count_ && !passes(next_))
        ++next_;
    if (next_ >= count_)
        return false;
    jack_midi_event_t event;
    jack_midi_event_get(&event, input_, next_);
    offset = event.time;
    return true;
}

bool ForwardedInput::writeNext(void* buffer, jack_nframes_t offset)
{
    jack_midi_event_t event;
    if (jack_midi_event_get(&event, input_, next_) != 0 || jack_midi_event_write(buffer, offset, event.buffer, event.size) != 0)
        return false; // the output's buffer is full: the window forwards the rest
    ++next_;
    return true;
}

bool ForwardedInput::forwarded(std::uint32_t index) const
{
    return index < next_ && passes(index);
}

} // namespace quorvane
