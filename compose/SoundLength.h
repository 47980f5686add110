#pragma once
// Length of an MMS sound as the editor shows it, without a media player: a WAV through
// libsndfile, a ".mid" through the MIDI reader, an AMR through the WAV made beside it. Any other
// sound, and a file that cannot be read as its kind, counts as 20 seconds.
#include <string>

namespace soundlen {

constexpr long long kUnmeasuredMs = 20000;

// Length in milliseconds of the sound file at fsPath (file-system path).
long long SoundLengthMs(const std::string& fsPath);
// The seconds shown for a length: ms / 1000 + 1.
inline int ShownSeconds(long long ms) { return static_cast<int>(ms / 1000 + 1); }

}  // namespace soundlen
