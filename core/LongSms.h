#pragma once
// Long SMS: an immediate SMS text of more than 200 GBK bytes is kept whole in
// "SMSText\<id>.txt" of the program folder and queued as its head and a marker "<<#<id>#>".
#include <optional>
#include <string>
#include <string_view>

namespace longsms {

constexpr std::size_t kThresholdBytes = 200;
constexpr std::size_t kHeadBytes = 140;

// File-system path of the side file of an id.
std::string SideFilePath(int id);

// The text to queue for an immediate SMS of this id: a text of at most 200 bytes as it is;
// a longer one is written whole (GBK) to its side file and queued as its first 140 bytes,
// cut on a character boundary, followed by "<<#<id>#>".
std::string QueuedText(int id, const std::string& text);

// The id of the marker that ends a queued text ("<<#<" digits ">#>" at its very end);
// nothing when the text does not end in a marker.
std::optional<int> MarkerId(std::string_view text);

}  // namespace longsms
