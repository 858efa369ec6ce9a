#include "devices/jack_backends.h"

namespace quorvane {

QString JackOutputBackend::name(int device)
{
    return device == -1 ? MidiSystem::virtualPortName(MidiSystem::Kind::Jack) : port_.listedName(device);
}

void JackOutputBackend::open(int device)
{
    port_.open(device == -1 ? JackClient::Port::VirtualOutput : JackClient::Port::Output, device);
}

void JackInputBackend::open(int device, Receiver receiver)
{
    port_.open(JackClient::Port::Input, device, std::move(receiver));
}

} // namespace quorvane
