#include "compose/SoundLength.h"

#include "platform/SoundPlayer.h"
#include "platform/TextCodec.h"

namespace soundlen {

long long SoundLengthMs(const std::string& fsPath) {
    const std::string low = codec::AsciiLower(fsPath);
    const std::string ext = low.size() >= 4 ? low.substr(low.size() - 4) : std::string();
    long long ms = -1;
    if (ext == ".amr")
        ms = sound::WavLengthMs(fsPath.substr(0, fsPath.size() - 4) + ".wav");
    else if (ext == ".wav")
        ms = sound::WavLengthMs(fsPath);
    else if (ext == ".mid")
        ms = sound::MidiLengthMs(fsPath);
    return ms < 0 ? kUnmeasuredMs : ms;
}

}  // namespace soundlen
