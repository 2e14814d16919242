// A MIDI file's title: any bytes as the dropped song, read by midi::ReadMidiInfo as the drop
// handler reads it.
#include "app/talk/midi.h"
#include "support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path =
        fuzz::writeFile(fuzz::scratch() + QStringLiteral("/song.mid"), fuzz::bytes(data, size));
    const midi::MidiInfo info = midi::ReadMidiInfo(path);
    (void)info.Title.size();
    return 0;
}
