#include "core/MsgRecord.h"

#include "platform/TextCodec.h"

#include <cstring>

namespace msgrec {

MsgRecord Empty() {
    MsgRecord r;
    std::memset(&r, 0, sizeof r);
    return r;
}

bool SetFieldRaw(char* field, std::size_t width, std::string_view utf8, bool refuse) {
    std::memset(field, 0, width);
    const std::string gbk = codec::ToGbk(utf8);
    if (gbk.size() + 1 > width && refuse) return false;
    const std::string_view cut = codec::CutGbkBytes(gbk, width - 1);
    std::memcpy(field, cut.data(), cut.size());
    return true;
}

std::string GetFieldRaw(const char* field, std::size_t width) { return codec::FromGbkField(field, width); }

// The build targets little-endian machines only (x86-64), so the bytes are the struct's.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "little-endian host expected");

void ToBytes(const MsgRecord& r, char* out) { std::memcpy(out, &r, sizeof r); }

MsgRecord FromBytes(const char* in) {
    MsgRecord r;
    std::memcpy(&r, in, sizeof r);
    return r;
}

}  // namespace msgrec
