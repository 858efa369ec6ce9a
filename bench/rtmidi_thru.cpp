#include "rtmidi_thru.h"

namespace {

template <class Port>
int portNamed(Port& port, const QString& name)
{
    const unsigned count = port.getPortCount();
    for (unsigned i = 0; i < count; ++i) {
        if (QString::fromStdString(port.getPortName(i)) == name)
            return static_cast<int>(i);
    }
    return -1;
}

} // namespace

RtMidiThru::RtMidiThru() : in_(RtMidi::UNIX_JACK, "bench thru in"), out_(RtMidi::UNIX_JACK, "bench thru out")
{
    in_.ignoreTypes(false, false, false);
    in_.setCallback(&RtMidiThru::forward, this);
}

bool RtMidiThru::open(const QString& from, const QString& to)
{
    const int input = portNamed(in_, from);
    const int output = portNamed(out_, to);
    if (input < 0 || output < 0)
        return false;
    out_.openPort(static_cast<unsigned>(output), "out");
    in_.openPort(static_cast<unsigned>(input), "in");
    return true;
}

void RtMidiThru::close()
{
    in_.closePort();
    out_.closePort();
}

void RtMidiThru::forward(double, std::vector<unsigned char>* message, void* self)
{
    static_cast<RtMidiThru*>(self)->out_.sendMessage(message);
}
