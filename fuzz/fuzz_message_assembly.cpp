// Drives the MIDI output component over in-memory devices with fields of
// every kind, as the senders, the Test button and input forwarding write
// them, and checks every message that reaches the wire.

#include "fuzz_support.h"
#include "memory_backend.h"
#include "midi/midi_output.h"

#include <algorithm>
#include <cmath>

using namespace quorvane;

namespace {

// A data byte is the field rounded and held to 0..127; a field that is no
// number sends 0.
void checkDataByte(std::uint8_t byte, const Variant& field)
{
    FUZZ_CHECK(byte < 0x80);
    const std::optional<double> n = field.toNumber();
    if (!n || std::isnan(*n)) {
        FUZZ_CHECK(byte == 0);
        return;
    }
    FUZZ_CHECK(std::fabs(byte - std::clamp(*n, 0.0, 127.0)) <= 0.5);
}

// The status byte a field gives, when a short message can start with it.
std::optional<std::uint8_t> sendableStatus(const Variant& field)
{
    const std::optional<double> n = field.toNumber();
    if (!n || !(*n >= 127.5 && *n <= 255.5)) // NaN fails both comparisons
        return std::nullopt;
    const double rounded = std::nearbyint(*n);
    if (rounded < 128.0 || rounded > 255.0)
        return std::nullopt;
    const auto status = static_cast<std::uint8_t>(rounded);
    return messageLength(status) > 0 ? std::optional(status) : std::nullopt;
}

class Session {
public:
    explicit Session(FuzzedDataProvider& in) : in_(in)
    {
        QStringList names;
        for (int i = in.ConsumeIntegralInRange(0, 3); i > 0; --i)
            names << QStringLiteral("Out %1").arg(i);
        auto backend = std::make_unique<MemoryOutputBackend>(names);
        if (in.ConsumeBool())
            backend->failingOpens[in.ConsumeIntegralInRange(-1, 2)] = QStringLiteral("busy");
        backend_ = backend.get();
        output_ = std::make_unique<MidiOutput>(std::move(backend));
        QObject::connect(output_.get(), &MidiOutput::errorReported, [](int code, const QString& text) {
            FUZZ_CHECK(code != MidiErrorCode::None && !text.isEmpty());
        });
    }

    void step()
    {
        switch (in_.ConsumeIntegralInRange(0, 9)) {
        case 0: // how every part of the program opens its output
            output_->setDeviceNumber(0);
            output_->setAction(MidiOutput::Open);
            FUZZ_CHECK(output_->openState() == (backend_->names.size() > 0 && !backend_->failingOpens.count(0)));
            break;
        case 1: output_->setStatus(fields_[0] = anyVariant()); break;
        case 2: output_->setData1(fields_[1] = anyVariant()); break;
        case 3: output_->setData2(fields_[2] = anyVariant()); break;
        case 4: output_->setAuxiliary(anyVariant()); break;
        case 5: send(); break;
        case 6: act(anyVariant()); break;
        case 7: output_->setDeviceNumber(anyVariant()); break;
        case 8:
            output_->deviceName();
            FUZZ_CHECK(output_->deviceCount() == backend_->names.size());
            break;
        default: backend_->failSends = in_.ConsumeBool(); break;
        }
        FUZZ_CHECK(output_->openState() == (backend_->isOpen() ? 1 : 0));
    }

private:
    Variant anyVariant() { return fuzz::anyVariant(in_); }

    void send()
    {
        const bool delivers = backend_->isOpen() && !backend_->failSends;
        const std::optional<std::uint8_t> status = sendableStatus(fields_[0]);
        const std::size_t before = backend_->wire.size();
        act(MidiOutput::Send);
        FUZZ_CHECK(backend_->wire.size() == before + (delivers && status ? 1 : 0));
        if (backend_->wire.size() == before)
            return;
        const MidiBytes& message = backend_->wire.back().bytes;
        FUZZ_CHECK(message[0] == *status);
        for (std::size_t i = 1; i < message.size(); ++i)
            checkDataByte(message[i], fields_[i]);
    }

    void act(const Variant& code)
    {
        const std::size_t before = backend_->wire.size();
        output_->setAction(code);
        for (std::size_t i = before; i < backend_->wire.size(); ++i) {
            const MidiBytes& message = backend_->wire[i].bytes;
            FUZZ_CHECK(!message.empty() && message[0] >= 0x80);
            FUZZ_CHECK(static_cast<int>(message.size()) == messageLength(message[0]));
            FUZZ_CHECK(std::all_of(message.begin() + 1, message.end(), [](std::uint8_t b) { return b < 0x80; }));
        }
    }

    FuzzedDataProvider& in_;
    MemoryOutputBackend* backend_;
    std::unique_ptr<MidiOutput> output_;
    Variant fields_[3]; // status, data 1, data 2 as last written
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    Session session(in);
    while (in.remaining_bytes() > 0)
        session.step();
    return 0;
}
