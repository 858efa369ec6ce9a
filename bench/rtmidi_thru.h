#pragma once

#include <QString>
#include <RtMidi.h>

// Something that passes MIDI from one JACK port to another, opened onto the
// two ports by name.
class Thru {
public:
    virtual ~Thru() = default;
    virtual bool open(const QString& from, const QString& to) = 0;
    virtual void close() = 0;
};

// The least a thru can be: RtMidi's input callback sends each message on at
// once, on the MIDI system's own thread. Over JACK it may only be dropped
// once its server has stopped (JackServer::keepUntilStopped).
class RtMidiThru : public Thru {
public:
    RtMidiThru();
    bool open(const QString& from, const QString& to) override;
    void close() override;

private:
    static void forward(double, std::vector<unsigned char>* message, void* self);

    RtMidiIn in_;
    RtMidiOut out_;
};
