// The frame text dialog belongs to the editor; until it is there, the text stays as it is.
#include "compose/MMSPreview.h"

std::optional<std::string> EditFrameText(QWidget* /*parent*/, const std::string& /*current*/) { return std::nullopt; }
