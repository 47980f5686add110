#pragma once
// AMR-NB in the single-channel file form ("#!AMR\n" and frames) over opencore-amrnb, and the
// 8000 Hz 16-bit mono WAV files on the other side (read through libsndfile).
#include <cstdint>
#include <string>
#include <vector>

namespace amr {

constexpr int kRate = 8000;
constexpr int kFrameSamples = 160;  // 20 ms
inline const std::string kMagic = "#!AMR\n";

// Mode by its name ("MR475" .. "MR122"); -1 for an unknown name.
int ModeByName(const std::string& name);
// Bytes of a frame of the frame type, header byte included; 0 for a type no file may carry.
int FrameBytes(int frameType);

// Encodes samples (a last partial frame padded with silence) to the file form.
std::string Encode(const std::vector<std::int16_t>& samples, int mode);
// Decodes the file form; false with a reason on a bad or cut file.
bool Decode(const std::string& file, std::vector<std::int16_t>& samples, std::string& error);

// Reads a WAV that must be 8000 Hz, 16-bit PCM, mono; false with a reason otherwise.
bool ReadPcmWav(const std::string& path, std::vector<std::int16_t>& samples, std::string& error);
// Writes an 8000 Hz 16-bit mono WAV (44-byte header) beside path and renames it over path.
bool WritePcmWav(const std::string& path, const std::vector<std::int16_t>& samples, std::string& error);
// Writes bytes beside path and renames them over path.
bool WriteFileWhole(const std::string& path, const std::string& data, std::string& error);

}  // namespace amr
