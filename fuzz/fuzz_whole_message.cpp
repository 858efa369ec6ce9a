// Feeds the MIDI input component events of every shape, as a device, a
// truncated dump or a loose cable delivers them, and checks what it queues:
// every whole message, in arrival order, and nothing else. The rule is
// written out here from the MIDI message table, apart from the program's own.

#include "fuzz_support.h"
#include "memory_backend.h"
#include "midi/midi_input.h"

#include <deque>

using namespace quorvane;

namespace {

// How many data bytes follow a status, or -1 where no short message starts.
int dataBytesAfter(std::uint8_t status)
{
    if (status < 0x80)
        return -1;
    if (status < 0xF0)
        return (status >= 0xC0 && status < 0xE0) ? 1 : 2;
    switch (status) {
    case 0xF1:
    case 0xF3: return 1;
    case 0xF2: return 2;
    case 0xF6:
    case 0xF8:
    case 0xFA:
    case 0xFB:
    case 0xFC:
    case 0xFE:
    case 0xFF: return 0;
    default: return -1; // system exclusive, its end, and the undefined ones
    }
}

bool whole(const MidiBytes& event)
{
    if (event.empty())
        return false;
    const int data = dataBytesAfter(event[0]);
    if (data < 0 || event.size() != static_cast<std::size_t>(data) + 1)
        return false;
    for (std::size_t i = 1; i < event.size(); ++i) {
        if (event[i] >= 0x80)
            return false;
    }
    return true;
}

// Mostly near-messages: a status with about the data it needs, now and then a
// byte too few or too many or a status in a data byte's place; else any bytes.
MidiBytes anyEvent(FuzzedDataProvider& in)
{
    if (in.ConsumeBool())
        return in.ConsumeBytes<std::uint8_t>(in.ConsumeIntegralInRange<std::size_t>(0, 6));
    const auto status = in.ConsumeIntegralInRange<std::uint8_t>(0x80, 0xFF);
    const int needed = std::max(dataBytesAfter(status), 0);
    const int count = std::max(needed + in.ConsumeIntegralInRange(-1, 1), 0);
    MidiBytes event{status};
    for (int i = 0; i < count; ++i)
        event.push_back(in.ConsumeIntegralInRange<std::uint8_t>(0, in.ConsumeIntegralInRange(0, 7) == 0 ? 0xFF : 0x7F));
    return event;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    auto backend = std::make_unique<MemoryInputBackend>(QStringList{QStringLiteral("Keys")});
    MemoryInputBackend& device = *backend;
    MidiInput input(std::move(backend));
    input.setDeviceNumber(0);
    input.setAction(MidiInput::Open);
    FUZZ_CHECK(input.openState() == 1);

    std::deque<MidiBytes> expected;
    bool receiving = false;
    while (in.remaining_bytes() > 0) {
        switch (in.ConsumeIntegralInRange(0, 9)) {
        case 0:
            input.setAction(MidiInput::Start);
            receiving = true;
            break;
        case 1:
            input.setAction(MidiInput::Stop);
            receiving = false;
            break;
        case 2: // the program takes the oldest message
            FUZZ_CHECK(input.currentMessage() == (expected.empty() ? MidiBytes() : expected.front()));
            input.setAction(MidiInput::Next);
            if (!expected.empty())
                expected.pop_front();
            break;
        default: {
            const MidiBytes event = anyEvent(in);
            FUZZ_CHECK(isWholeMessage(event) == whole(event));
            if (receiving && whole(event))
                expected.push_back(event);
            device.inject(event);
            break;
        }
        }
        FUZZ_CHECK(input.count() == static_cast<int>(expected.size()));
    }
    for (; !expected.empty(); expected.pop_front()) {
        FUZZ_CHECK(input.currentMessage() == expected.front());
        FUZZ_CHECK(input.status() == expected.front()[0]);
        input.setAction(MidiInput::Next);
    }
    FUZZ_CHECK(input.count() == 0);
    return 0;
}
