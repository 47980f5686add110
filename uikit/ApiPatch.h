#pragma once
// Entry-point patching over a simulated 32-bit code image: the bytes of the process at their
// addresses, a protection per 4 KiB page, a last-error value, the IA-32 instruction copier and
// the patch / unpatch of a function's first instructions through a 32-byte pass-through entry.
// Nothing here touches the program's own machine code.
#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

namespace apipatch {

using Addr = std::uint32_t;

enum : std::uint32_t {
    PAGE_NOACCESS = 0x01,
    PAGE_READONLY = 0x02,
    PAGE_READWRITE = 0x04,
    PAGE_EXECUTE = 0x10,
    PAGE_EXECUTE_READ = 0x20,
    PAGE_EXECUTE_READWRITE = 0x40,
};

enum : std::uint32_t {
    ERROR_INVALID_HANDLE = 6,
    ERROR_INVALID_BLOCK = 9,
    ERROR_INVALID_ACCESS = 12,
    ERROR_INVALID_DATA = 13,
    ERROR_NOACCESS = 998,
};

constexpr std::uint32_t kPageSize = 4096;

// A contiguous address range with its bytes and page protections.
class CodeImage {
public:
    CodeImage(Addr base, std::size_t size, std::uint32_t protect = PAGE_EXECUTE_READ);

    Addr Base() const { return base_; }
    std::size_t Size() const { return bytes_.size(); }
    bool Contains(Addr a, std::size_t n = 1) const;

    // Reads (0 outside the image).
    std::uint8_t Byte(Addr a) const;
    std::uint32_t Read32(Addr a) const;
    // A write as code does it: fails (ERROR_NOACCESS, nothing written) unless every page is writable.
    bool Write(Addr a, const void* data, std::size_t n);
    // Loading the image: writes whatever the protection.
    void Load(Addr a, const std::vector<std::uint8_t>& data);

    std::uint32_t Protection(Addr a) const;
    // Sets the protection of every page the range touches; *oldProtect gets the first page's.
    bool VirtualProtect(Addr a, std::size_t n, std::uint32_t newProtect, std::uint32_t* oldProtect);
    void FlushInstructionCache(Addr, std::size_t) { ++flushes_; }
    int Flushes() const { return flushes_; }

    std::uint32_t GetLastError() const { return lastError_; }
    void SetLastError(std::uint32_t e) { lastError_ = e; }

    // Runs a getter of the form "mov eax, [ptr]; ret" (A1 ptr C3): the value at ptr; 0 otherwise.
    Addr CallGetter(Addr getter) const;

    // Where PatchApiEntry found the entry given as `entry` (0 when it patched none there).
    Addr PatchedEntry(Addr entry) const;
    void RememberPatchedEntry(Addr entry, Addr resolved) { patched_[entry] = resolved; }

private:
    Addr base_;
    std::vector<std::uint8_t> bytes_;
    std::vector<std::uint32_t> protect_;
    std::uint32_t lastError_ = 0;
    int flushes_ = 0;
    std::map<Addr, Addr> patched_;
};

// One decoded instruction.
struct Instruction {
    int length = 0;       // bytes, prefixes included
    bool endsFlow = false;
    bool invalid = false;
    int relOffset = 0;    // offset of the relative displacement inside the instruction (0 = none)
    int relSize = 0;      // 1, 2 or 4
    Addr target = 0;      // absolute branch target (relative branches; FF 15 / FF 25: the pointer's address)
    std::uint8_t opcode = 0;  // the first byte after the prefixes
};

// Decodes the instruction at src (no copy).
Instruction DecodeInstruction(const CodeImage& img, Addr src);

// Copies one instruction from src to dst (dst 0: decode only) with its relative displacement
// rewritten for the new address. Returns the address after the instruction at src; 0 with
// last error 13 when src is 0 or a short branch cannot reach its target from dst, 0 with the
// write's error when dst is not writable.
Addr CopyInstruction(CodeImage& img, Addr dst, Addr src, Instruction* out = nullptr);

// The pointer-indirect jump of an import thunk (FF 25 ptr) is followed; with followE9 a
// relative jump (E9) is followed as well.
Addr ResolveAddress(const CodeImage& img, Addr a, bool followE9);

// The unpatched layout of a pass-through entry: 90 90, E8 call getter, FF E0, C3, then 90.
std::vector<std::uint8_t> PassThroughEntryBytes(Addr entry, Addr getter);

// Patches the function named by the entry's getter to jump to the replacement. 1 or 0.
int PatchApiEntry(CodeImage& img, Addr entry, Addr replacement);
// Undoes it. 1, or 0 with last error 6, 9, 12 or 13.
int UnpatchApiEntry(CodeImage& img, Addr entry, Addr replacement);
// True while the function starts with a jump to the replacement.
bool IsPatchedTo(const CodeImage& img, Addr function, Addr replacement);

}  // namespace apipatch
