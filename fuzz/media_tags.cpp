// The tags of a dropped MP3 or RMP file: any bytes as the file, read as the clip player reads them
// when it opens one (the RIFF INFO list of an RMP, then the ID3v2 and ID3v1 tags and the first
// MPEG frame of its MP3 stream).
#include "platform/audio/media_tags.h"
#include "support.h"

using namespace platform::audio;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = fuzz::bytes(data, size);
    const tags::Riff riff = tags::readRiff(bytes);
    const QByteArray& stream = riff.form == "RMP3" ? riff.data : bytes;
    const tags::Id3 id3 = tags::readId3(stream);
    const tags::Frame frame = tags::readFirstFrame(stream);
    (void)id3.title.size();
    (void)riff.info.value("INAM").size();
    (void)frame.bitrate;
    return 0;
}
