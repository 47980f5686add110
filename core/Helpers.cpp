#include "core/Helpers.h"

#include "platform/RunLog.h"
#include "platform/Seams.h"

int ShowMessage(const std::string& text, int type) { return seam::Message(text, type) == 1 ? 1 : 0; }

void WriteRunLog(const std::string& text) { runlog::Append(text); }
