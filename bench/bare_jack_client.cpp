// The least a JACK MIDI client costs: the three ports of the program's own
// client (an output to a device, the output others patch from, an input) and
// a process callback that does what every MIDI client must each period,
// clear its outputs and look at its input. The anchor of the program's idle
// CPU: JACK wakes every client with a process callback once a period.
//
//   bare_jack_client [device to play to] [device to listen to]

#include <jack/jack.h>
#include <jack/midiport.h>

#include <csignal>
#include <unistd.h>

namespace {

jack_port_t* ports[3]; // out, virtual out, in
volatile std::sig_atomic_t ending = 0;

int process(jack_nframes_t frames, void*)
{
    for (int i = 0; i < 2; ++i)
        jack_midi_clear_buffer(jack_port_get_buffer(ports[i], frames));
    (void)jack_midi_get_event_count(jack_port_get_buffer(ports[2], frames));
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    jack_client_t* client = jack_client_open("bare-client", JackNoStartServer, nullptr);
    if (!client)
        return 1;
    ports[0] = jack_port_register(client, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    ports[1] = jack_port_register(client, "virtual out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    ports[2] = jack_port_register(client, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    jack_set_process_callback(client, process, nullptr);
    if (!ports[0] || !ports[1] || !ports[2] || jack_activate(client) != 0)
        return 1;
    if (argc > 1)
        jack_connect(client, "bare-client:out", argv[1]);
    if (argc > 2)
        jack_connect(client, argv[2], "bare-client:in");
    std::signal(SIGTERM, [](int) { ending = 1; });
    while (!ending)
        pause();
    jack_client_close(client);
    return 0;
}
