#include "uikit/ApiPatch.h"

#include <array>
#include <cstring>

namespace apipatch {

// ---- the image -------------------------------------------------------------------------

CodeImage::CodeImage(Addr base, std::size_t size, std::uint32_t protect)
    : base_(base), bytes_(size, 0), protect_((size + kPageSize - 1) / kPageSize, protect) {}

bool CodeImage::Contains(Addr a, std::size_t n) const {
    return a >= base_ && std::uint64_t(a - base_) + n <= bytes_.size();
}

std::uint8_t CodeImage::Byte(Addr a) const { return Contains(a) ? bytes_[a - base_] : 0; }

std::uint32_t CodeImage::Read32(Addr a) const {
    return std::uint32_t(Byte(a)) | std::uint32_t(Byte(a + 1)) << 8 | std::uint32_t(Byte(a + 2)) << 16 |
           std::uint32_t(Byte(a + 3)) << 24;
}

static bool Writable(std::uint32_t p) { return p == PAGE_READWRITE || p == PAGE_EXECUTE_READWRITE; }

bool CodeImage::Write(Addr a, const void* data, std::size_t n) {
    if (!Contains(a, n)) {
        lastError_ = ERROR_NOACCESS;
        return false;
    }
    for (std::size_t i = 0; i < n; i += 1)
        if (!Writable(Protection(a + Addr(i)))) {
            lastError_ = ERROR_NOACCESS;
            return false;
        }
    std::memcpy(&bytes_[a - base_], data, n);
    return true;
}

void CodeImage::Load(Addr a, const std::vector<std::uint8_t>& data) {
    if (Contains(a, data.size())) std::memcpy(&bytes_[a - base_], data.data(), data.size());
}

std::uint32_t CodeImage::Protection(Addr a) const {
    return Contains(a) ? protect_[(a - base_) / kPageSize] : PAGE_NOACCESS;
}

bool CodeImage::VirtualProtect(Addr a, std::size_t n, std::uint32_t newProtect, std::uint32_t* oldProtect) {
    if (n == 0 || !Contains(a, n)) {
        lastError_ = ERROR_INVALID_ACCESS;
        return false;
    }
    if (oldProtect) *oldProtect = Protection(a);
    for (std::size_t p = (a - base_) / kPageSize; p <= (a - base_ + n - 1) / kPageSize; ++p) protect_[p] = newProtect;
    return true;
}

Addr CodeImage::CallGetter(Addr getter) const {
    if (Byte(getter) == 0xA1 && Byte(getter + 5) == 0xC3) return Read32(Read32(getter + 1));
    return 0;
}

Addr CodeImage::PatchedEntry(Addr entry) const {
    const auto it = patched_.find(entry);
    return it == patched_.end() ? 0 : it->second;
}

// ---- the decoder -----------------------------------------------------------------------

namespace {

enum Kind : std::uint8_t { kPlain, kOpSize, kAddrSize, kPrefix, kEscape, kGroupF6, kGroupF7, kGroupFF, kInvalid, kMoffs };
enum : std::uint8_t { fEnd = 1 };

struct Op {
    std::uint8_t len = 1, len66 = 1;  // without and with the operand-size prefix
    std::uint8_t modrm = 0;           // offset of the ModR/M byte, 0 = none
    std::uint8_t relOff = 0, relSize = 0, relSize66 = 0;
    std::uint8_t flags = 0;
    Kind kind = kPlain;
};

constexpr Op Plain(int len, int len66 = -1) {
    Op o;
    o.len = std::uint8_t(len);
    o.len66 = std::uint8_t(len66 < 0 ? len : len66);
    return o;
}
constexpr Op ModRM(int off, int len, int len66 = -1) {
    Op o = Plain(len, len66);
    o.modrm = std::uint8_t(off);
    return o;
}
constexpr Op Rel(int len, int len66, int off, int size, int size66, bool end = false) {
    Op o = Plain(len, len66);
    o.relOff = std::uint8_t(off);
    o.relSize = std::uint8_t(size);
    o.relSize66 = std::uint8_t(size66);
    o.flags = end ? fEnd : 0;
    return o;
}
constexpr Op Ends(Op o) {
    o.flags |= fEnd;
    return o;
}
constexpr Op OfKind(Op o, Kind k) {
    o.kind = k;
    return o;
}

// The one-byte opcode map.
std::array<Op, 256> OneByteMap() {
    std::array<Op, 256> t{};
    for (int g = 0; g < 0x40; g += 8) {  // ALU rows: r/m forms, AL/eAX immediates, then odds
        for (int i = 0; i < 4; ++i) t[g + i] = ModRM(1, 2);
        t[g + 4] = Plain(2);
        t[g + 5] = Plain(5, 3);
        t[g + 6] = Plain(1);
        t[g + 7] = Plain(1);
    }
    t[0x0F] = OfKind(Plain(1), kEscape);
    for (int p : {0x26, 0x2E, 0x36, 0x3E, 0x64, 0x65, 0xF0, 0xF2, 0xF3}) t[p] = OfKind(Plain(1), kPrefix);
    for (int i = 0x40; i <= 0x61; ++i) t[i] = Plain(1);
    t[0x62] = t[0x63] = ModRM(1, 2);
    t[0x66] = OfKind(Plain(1), kOpSize);
    t[0x67] = OfKind(Plain(1), kAddrSize);
    t[0x68] = Plain(5, 3);
    t[0x69] = ModRM(1, 6, 4);
    t[0x6A] = Plain(2);
    t[0x6B] = ModRM(1, 3);
    for (int i = 0x6C; i <= 0x6F; ++i) t[i] = Plain(1);
    for (int i = 0x70; i <= 0x7F; ++i) t[i] = Rel(2, 2, 1, 1, 1);
    t[0x80] = t[0x82] = t[0x83] = ModRM(1, 3);
    t[0x81] = ModRM(1, 6, 4);
    for (int i = 0x84; i <= 0x8F; ++i) t[i] = ModRM(1, 2);
    for (int i = 0x90; i <= 0x9F; ++i) t[i] = Plain(1);
    t[0x9A] = Plain(7, 5);
    for (int i = 0xA0; i <= 0xA3; ++i) t[i] = OfKind(Plain(5), kMoffs);
    for (int i = 0xA4; i <= 0xAF; ++i) t[i] = Plain(1);
    t[0xA8] = Plain(2);
    t[0xA9] = Plain(5, 3);
    for (int i = 0xB0; i <= 0xB7; ++i) t[i] = Plain(2);
    for (int i = 0xB8; i <= 0xBF; ++i) t[i] = Plain(5, 3);
    t[0xC0] = t[0xC1] = ModRM(1, 3);
    t[0xC2] = Ends(Plain(3));
    t[0xC3] = Ends(Plain(1));
    t[0xC4] = t[0xC5] = ModRM(1, 2);
    t[0xC6] = ModRM(1, 3);
    t[0xC7] = ModRM(1, 6, 4);
    t[0xC8] = Plain(4);
    t[0xC9] = Plain(1);
    t[0xCA] = Ends(Plain(3));
    t[0xCB] = Ends(Plain(1));
    t[0xCC] = Plain(1);
    t[0xCD] = Plain(2);
    t[0xCE] = Plain(1);
    t[0xCF] = Ends(Plain(1));
    for (int i = 0xD0; i <= 0xD3; ++i) t[i] = ModRM(1, 2);
    t[0xD4] = t[0xD5] = Plain(2);
    t[0xD6] = OfKind(Plain(1), kInvalid);
    t[0xD7] = Plain(1);
    for (int i = 0xD8; i <= 0xDF; ++i) t[i] = ModRM(1, 2);
    for (int i = 0xE0; i <= 0xE3; ++i) t[i] = Rel(2, 2, 1, 1, 1);
    for (int i = 0xE4; i <= 0xE7; ++i) t[i] = Plain(2);
    t[0xE8] = Rel(5, 3, 1, 4, 2);
    t[0xE9] = Rel(5, 3, 1, 4, 2, true);
    t[0xEA] = Ends(Plain(7, 5));
    t[0xEB] = Rel(2, 2, 1, 1, 1, true);
    for (int i = 0xEC; i <= 0xEF; ++i) t[i] = Plain(1);
    t[0xF1] = OfKind(Plain(1), kInvalid);
    t[0xF4] = t[0xF5] = Plain(1);
    t[0xF6] = OfKind(ModRM(1, 2), kGroupF6);
    t[0xF7] = OfKind(ModRM(1, 2), kGroupF7);
    for (int i = 0xF8; i <= 0xFD; ++i) t[i] = Plain(1);
    t[0xFE] = ModRM(1, 2);
    t[0xFF] = OfKind(ModRM(1, 2), kGroupFF);
    return t;
}

// The two-byte (0F) opcode map; lengths count the 0F.
std::array<Op, 256> TwoByteMap() {
    std::array<Op, 256> t{};
    t.fill(ModRM(2, 3));
    for (int i : {0x04, 0x0A, 0x0C, 0x0E, 0x0F, 0x24, 0x25, 0x26, 0x27, 0x36, 0x39, 0x3B, 0x3C, 0x3D, 0x3E,
                  0x3F, 0x7A, 0x7B, 0xA6, 0xA7, 0xFF})
        t[i] = OfKind(Plain(1), kInvalid);
    for (int i : {0x05, 0x06, 0x07, 0x08, 0x09, 0x0B, 0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x37, 0x77, 0xA0,
                  0xA1, 0xA2, 0xA8, 0xA9, 0xAA})
        t[i] = Plain(2);
    for (int i = 0xC8; i <= 0xCF; ++i) t[i] = Plain(2);
    for (int i : {0x70, 0x71, 0x72, 0x73, 0xA4, 0xAC, 0xBA, 0xC2, 0xC4, 0xC5, 0xC6}) t[i] = ModRM(2, 4);
    for (int i = 0x80; i <= 0x8F; ++i) t[i] = Rel(6, 4, 2, 4, 2);
    t[0x38] = ModRM(3, 4);  // 0F 38 op ModR/M
    t[0x3A] = ModRM(3, 5);  // 0F 3A op ModR/M ib
    return t;
}

const std::array<Op, 256> kOneByte = OneByteMap();
const std::array<Op, 256> kTwoByte = TwoByteMap();

// Bytes that the addressing form adds after the ModR/M byte.
int AddressingBytes(std::uint8_t modrm, std::uint8_t sib, bool addr16) {
    const int mod = modrm >> 6, rm = modrm & 7;
    if (mod == 3) return 0;
    if (addr16) return (mod == 0 && rm == 6) ? 2 : mod == 1 ? 1 : mod == 2 ? 2 : 0;
    int n = 0;
    if (rm == 4) {
        n += 1;
        if (mod == 0 && (sib & 7) == 5) n += 4;
    }
    if (mod == 0 && rm == 5) n += 4;
    if (mod == 1) n += 1;
    if (mod == 2) n += 4;
    return n;
}

std::int64_t ReadSigned(const CodeImage& img, Addr a, int size) {
    if (size == 1) return std::int8_t(img.Byte(a));
    if (size == 2) return std::int16_t(img.Byte(a) | img.Byte(a + 1) << 8);
    return std::int32_t(img.Read32(a));
}

}  // namespace

Instruction DecodeInstruction(const CodeImage& img, Addr src) {
    Instruction ins;
    bool opSize = false, addr16 = false;
    Addr p = src;
    for (int guard = 0; guard < 14; ++guard) {
        const Op& op = kOneByte[img.Byte(p)];
        if (op.kind == kOpSize) opSize = true;
        else if (op.kind == kAddrSize) addr16 = true;
        else if (op.kind != kPrefix) break;
        ++p;
    }
    const int prefixes = int(p - src);
    ins.opcode = img.Byte(p);
    Op op = kOneByte[ins.opcode];
    if (op.kind == kEscape) op = kTwoByte[img.Byte(p + 1)];
    if (op.kind == kInvalid) {
        ins.invalid = true;
        ins.length = prefixes + 1;
        return ins;
    }
    int len = opSize ? op.len66 : op.len;
    if (op.kind == kMoffs) len = addr16 ? 3 : 5;
    if (op.modrm) {
        const std::uint8_t modrm = img.Byte(p + op.modrm);
        len += AddressingBytes(modrm, img.Byte(p + op.modrm + 1), addr16);
        const int reg = (modrm >> 3) & 7;
        if (op.kind == kGroupF6 && reg == 0) len += 1;
        if (op.kind == kGroupF7 && reg == 0) len += opSize ? 2 : 4;
        if (op.kind == kGroupFF) {
            if (reg >= 2 && reg <= 5) ins.endsFlow = true;
            if ((modrm == 0x15 || modrm == 0x25) && !addr16) ins.target = img.Read32(p + 2);
        }
    }
    if (op.flags & fEnd) ins.endsFlow = true;
    ins.length = prefixes + len;
    if (op.relSize) {
        ins.relSize = opSize ? op.relSize66 : op.relSize;
        ins.relOffset = prefixes + op.relOff;
        ins.target = Addr(std::int64_t(src) + ins.length + ReadSigned(img, src + Addr(ins.relOffset), ins.relSize));
    }
    return ins;
}

Addr CopyInstruction(CodeImage& img, Addr dst, Addr src, Instruction* out) {
    if (src == 0) {
        img.SetLastError(ERROR_INVALID_DATA);
        return 0;
    }
    const Instruction ins = DecodeInstruction(img, src);
    if (out) *out = ins;
    if (dst) {
        std::vector<std::uint8_t> bytes(std::size_t(ins.length));
        for (int i = 0; i < ins.length; ++i) bytes[std::size_t(i)] = img.Byte(src + Addr(i));
        if (ins.relSize) {
            const std::int64_t disp =
                ReadSigned(img, src + Addr(ins.relOffset), ins.relSize) + std::int64_t(src) - std::int64_t(dst);
            const std::int64_t lim = ins.relSize == 1 ? 0x80 : 0x8000;
            if (ins.relSize < 4 && (disp < -lim || disp >= lim)) {
                img.SetLastError(ERROR_INVALID_DATA);  // the branch cannot reach from dst
                return 0;
            }
            const auto d = std::uint32_t(std::int32_t(disp));
            for (int i = 0; i < ins.relSize; ++i) bytes[std::size_t(ins.relOffset + i)] = std::uint8_t(d >> (8 * i));
        }
        if (!img.Write(dst, bytes.data(), bytes.size())) return 0;
    }
    return src + Addr(ins.length);
}

// ---- the patcher -----------------------------------------------------------------------

Addr ResolveAddress(const CodeImage& img, Addr a, bool followE9) {
    if (img.Byte(a) == 0xFF && img.Byte(a + 1) == 0x25) return img.Read32(img.Read32(a + 2));
    if (followE9 && img.Byte(a) == 0xE9) return a + 5 + img.Read32(a + 1);
    return a;
}

std::vector<std::uint8_t> PassThroughEntryBytes(Addr entry, Addr getter) {
    std::vector<std::uint8_t> b(32, 0x90);
    b[2] = 0xE8;
    const std::uint32_t rel = getter - (entry + 7);
    for (int i = 0; i < 4; ++i) b[std::size_t(3 + i)] = std::uint8_t(rel >> (8 * i));
    b[7] = 0xFF;
    b[8] = 0xE0;
    b[9] = 0xC3;
    return b;
}

namespace {

bool WriteJump(CodeImage& img, Addr at, Addr to) {
    std::uint8_t j[5] = {0xE9};
    const std::uint32_t rel = to - (at + 5);
    for (int i = 0; i < 4; ++i) j[1 + i] = std::uint8_t(rel >> (8 * i));
    return img.Write(at, j, 5);
}

Addr JumpDestination(const CodeImage& img, Addr at) { return at + 5 + img.Read32(at + 1); }

// Whole instructions at the start of the function covering at least 5 bytes; 0 when the
// function ends first or more than 26 bytes would be needed.
int CountMovableBytes(const CodeImage& img, Addr target) {
    int count = 0;
    while (count < 5) {
        const Addr at = target + Addr(count);
        const Instruction ins = DecodeInstruction(img, at);
        const std::uint8_t b0 = img.Byte(at), b1 = img.Byte(at + 1), b2 = img.Byte(at + 2);
        const bool segPrefix = b0 == 0x26 || b0 == 0x2E || b0 == 0x36 || b0 == 0x3E || b0 == 0x64 || b0 == 0x65;
        const bool transfer = b0 == 0xE9 || b0 == 0xE0 || b0 == 0xC2 || b0 == 0xC3 ||
                              (b0 == 0xFF && b1 == 0x25) || (segPrefix && b1 == 0xFF && b2 == 0x25);
        count += ins.length;
        if (transfer) return count >= 5 ? count : 0;
    }
    return count > 26 ? 0 : count;
}

// Copies whole instructions from src to dst until n source bytes are done; the bytes copied.
int CopyRun(CodeImage& img, Addr dst, Addr src, int n) {
    int done = 0;
    while (done < n) {
        Instruction ins;
        const Addr next = CopyInstruction(img, dst, src + Addr(done), &ins);
        if (!next) break;
        dst += Addr(ins.length);
        done += ins.length;
    }
    return done;
}

}  // namespace

int PatchApiEntry(CodeImage& img, Addr entry, Addr replacement) {
    const Addr e = ResolveAddress(img, entry, true);
    const Addr r = ResolveAddress(img, replacement, false);
    if (img.Byte(e) != 0x90 || img.Byte(e + 1) != 0x90 || img.Byte(e + 2) != 0xE8 || img.Byte(e + 7) != 0xFF ||
        img.Byte(e + 8) != 0xE0)
        return 0;
    const Addr function = img.CallGetter(JumpDestination(img, e + 2));
    if (!function) return 0;
    const Addr t = ResolveAddress(img, function, false);
    const int count = CountMovableBytes(img, t);
    if (count == 0) return 0;

    img.FlushInstructionCache(e, 32);
    std::uint32_t oldEntry = 0, oldTarget = 0;
    if (!img.VirtualProtect(e, 32, PAGE_EXECUTE_READWRITE, &oldEntry)) return 0;
    if (!img.VirtualProtect(t, std::size_t(count), PAGE_EXECUTE_READWRITE, &oldTarget)) {
        img.VirtualProtect(e, 32, oldEntry, &oldEntry);
        return 0;
    }
    const auto restore = [&] {
        std::uint32_t dummy = 0;
        img.VirtualProtect(t, std::size_t(count), oldTarget, &dummy);
        img.VirtualProtect(e, 32, oldEntry, &dummy);
    };
    const int copied = CopyRun(img, e, t, count);
    if (copied != count) {
        restore();
        return 0;
    }
    WriteJump(img, e + Addr(count), t + Addr(count));
    const std::uint8_t n = std::uint8_t(count);
    img.Write(e + 31, &n, 1);
    WriteJump(img, t, r);
    for (int i = 5; i < count; ++i) {
        const std::uint8_t cc = 0xCC;
        img.Write(t + Addr(i), &cc, 1);
    }
    restore();
    img.FlushInstructionCache(t, std::size_t(count));
    img.RememberPatchedEntry(entry, e);
    return 1;
}

int UnpatchApiEntry(CodeImage& img, Addr entry, Addr replacement) {
    // The entry is taken where the patch found it: resolving again could follow a moved E9.
    Addr e = img.PatchedEntry(entry);
    if (!e) e = ResolveAddress(img, entry, true);
    const Addr r = ResolveAddress(img, replacement, false);
    const int n = img.Byte(e + 31);
    if (n < 1 || n > 30 || img.Byte(e + Addr(n)) != 0xE9) {
        img.SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    const Addr t = JumpDestination(img, e + Addr(n)) - Addr(n);
    if (img.Byte(t) != 0xE9) {
        img.SetLastError(ERROR_INVALID_BLOCK);
        return 0;
    }
    if (JumpDestination(img, t) != r) {
        img.SetLastError(ERROR_INVALID_ACCESS);
        return 0;
    }
    std::uint32_t old = 0, dummy = 0;
    if (!img.VirtualProtect(t, std::size_t(n), PAGE_EXECUTE_READWRITE, &old)) return 0;
    const int copied = CopyRun(img, t, e, n);
    img.VirtualProtect(t, std::size_t(n), old, &dummy);
    if (copied != n) {
        img.SetLastError(ERROR_INVALID_DATA);
        return 0;
    }
    img.FlushInstructionCache(t, std::size_t(n));
    return 1;
}

bool IsPatchedTo(const CodeImage& img, Addr function, Addr replacement) {
    const Addr t = ResolveAddress(img, function, false);
    return img.Byte(t) == 0xE9 && JumpDestination(img, t) == ResolveAddress(img, replacement, false);
}

}  // namespace apipatch
