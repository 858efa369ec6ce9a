#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <smf.h>
#include <vector>

// A MIDI file as the file library reads it back: its header and each event
// with its tick, its seconds from the tempo map, and its bytes as hex text.
struct ReadEvent {
    int tick;
    double seconds;
    QString bytes;
};

struct ReadFile {
    bool loaded = false;
    int format = -1;
    int tracks = 0;
    int ppqn = 0;
    std::vector<ReadEvent> events;

    QStringList byteTexts() const
    {
        QStringList texts;
        for (const ReadEvent& e : events)
            texts << e.bytes;
        return texts;
    }
};

inline ReadFile readMidiFile(const QString& path)
{
    ReadFile file;
    std::unique_ptr<smf_t, void (*)(smf_t*)> smf(smf_load(path.toLocal8Bit().constData()), smf_delete);
    if (!smf)
        return file;
    file.loaded = true;
    file.format = smf->format;
    file.tracks = smf->number_of_tracks;
    file.ppqn = smf->ppqn;
    while (smf_event_t* event = smf_get_next_event(smf.get())) {
        QStringList hex;
        for (int i = 0; i < event->midi_buffer_length; ++i)
            hex << QStringLiteral("%1").arg(event->midi_buffer[i], 2, 16, QLatin1Char('0'));
        file.events.push_back({event->time_pulses, event->time_seconds, hex.join(QLatin1Char(' '))});
    }
    return file;
}
