// The instruction copier against assembler-made fixtures, and the entry patcher on images.
#include "uikit/ApiPatch.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

using namespace apipatch;

namespace {

struct Fixtures {
    std::vector<std::uint8_t> bytes;
    std::vector<std::pair<std::string, Addr>> labels;  // in address order
    std::map<std::string, Addr> at;
};

const Fixtures& LoadFixtures() {
    static const Fixtures f = [] {
        Fixtures r;
        std::ifstream bin(SMS_X86_FIXTURES ".bin", std::ios::binary);
        r.bytes.assign(std::istreambuf_iterator<char>(bin), {});
        std::ifstream sym(SMS_X86_FIXTURES ".sym");
        std::string line;
        while (std::getline(sym, line)) {
            std::istringstream in(line);
            std::string addr, kind, name;
            if (!(in >> addr >> kind >> name)) continue;
            const Addr a = Addr(std::stoul(addr, nullptr, 16));
            r.labels.emplace_back(name, a);
            r.at[name] = a;
        }
        return r;
    }();
    return f;
}

constexpr Addr kFixBase = 0x10000;

CodeImage FixtureImage() {
    const Fixtures& f = LoadFixtures();
    CodeImage img(kFixBase, 0x1000, PAGE_EXECUTE_READWRITE);
    img.Load(kFixBase, f.bytes);
    return img;
}

Addr Label(const std::string& name) { return kFixBase + LoadFixtures().at.at(name); }

}  // namespace

TEST(InstructionCopier, LengthsAndFlowEndsMatchTheAssembler) {
    const Fixtures& f = LoadFixtures();
    ASSERT_FALSE(f.bytes.empty());
    ASSERT_TRUE(f.at.count("end_list"));
    const CodeImage img = FixtureImage();
    int checked = 0;
    for (std::size_t i = 0; i + 1 < f.labels.size(); ++i) {
        const std::string& name = f.labels[i].first;
        if (name.rfind("i_", 0) != 0 && name.rfind("e_", 0) != 0) continue;
        const Addr a = kFixBase + f.labels[i].second;
        const int want = int(f.labels[i + 1].second - f.labels[i].second);
        const Instruction ins = DecodeInstruction(img, a);
        EXPECT_EQ(ins.length, want) << name;
        EXPECT_EQ(ins.endsFlow, name[0] == 'e') << name;
        EXPECT_FALSE(ins.invalid) << name;
        ++checked;
    }
    EXPECT_GT(checked, 60);
    // FF 15 and FF 25 record the pointer's address.
    EXPECT_EQ(DecodeInstruction(img, Label("e_call_ptr")).target, 0x12345678u);
    EXPECT_EQ(DecodeInstruction(img, Label("e_jmp_ptr")).target, 0x12345678u);
}

TEST(InstructionCopier, InvalidOpcodesCountAsOneByteAndNoSourceIsRefused) {
    CodeImage img(0x1000, 0x1000, PAGE_EXECUTE_READWRITE);
    img.Load(0x1000, {0xD6, 0x0F, 0xFF, 0x66, 0xF1});
    EXPECT_EQ(CopyInstruction(img, 0, 0x1000), 0x1001u);
    const Instruction two = DecodeInstruction(img, 0x1001);  // 0F FF
    EXPECT_TRUE(two.invalid);
    EXPECT_EQ(DecodeInstruction(img, 0x1003).length, 2);  // a prefix, then an invalid byte
    img.SetLastError(0);
    EXPECT_EQ(CopyInstruction(img, 0x1800, 0), 0u);
    EXPECT_EQ(img.GetLastError(), ERROR_INVALID_DATA);
}

TEST(InstructionCopier, RelativeBranchesKeepTheirTargetAndShortOnesThatCannotReachAreRefused) {
    CodeImage img = FixtureImage();
    const Addr nearDst = kFixBase + 0x180;  // within a short branch's reach of the targets
    for (const char* name : {"i_call_fwd", "i_jcc_short", "i_jcc_near", "i_jecxz", "i_loop", "e_jmp_short",
                             "e_jmp_near", "i_66_call"}) {
        const Addr src = Label(name);
        const Instruction before = DecodeInstruction(img, src);
        ASSERT_NE(before.relSize, 0) << name;
        Instruction copied;
        EXPECT_EQ(CopyInstruction(img, nearDst, src, &copied), src + Addr(before.length)) << name;
        const Instruction after = DecodeInstruction(img, nearDst);
        EXPECT_EQ(after.length, before.length) << name;
        EXPECT_EQ(after.target, before.target) << name;
        // Far away: the 8-bit forms no longer reach.
        const Addr farDst = kFixBase + 0xC00;
        img.SetLastError(0);
        const Addr next = CopyInstruction(img, farDst, src);
        if (before.relSize > 1) {
            EXPECT_EQ(next, src + Addr(before.length)) << name;
            EXPECT_EQ(DecodeInstruction(img, farDst).target, before.target) << name;
        } else {
            EXPECT_EQ(next, 0u) << name;
            EXPECT_EQ(img.GetLastError(), ERROR_INVALID_DATA) << name;
        }
    }
    EXPECT_EQ(DecodeInstruction(img, Label("i_jcc_near")).target, Label("t_fwd"));
    EXPECT_EQ(DecodeInstruction(img, Label("i_jcc_short")).target, Label("t_back"));
    EXPECT_EQ(DecodeInstruction(img, Label("i_66_call")).target, Label("t_fwd16"));
}

// ---- the patcher --------------------------------------------------------------------------

namespace {

// A program with one pass-through entry, its getter and import slot, a replacement reached
// through an FF 25 thunk, and the window library's function.
struct Rig {
    static constexpr Addr kEntry = 0x401000, kEntryThunk = 0x401080, kGetter = 0x401100, kRepl = 0x401200,
                          kReplThunk = 0x401280, kOtherRepl = 0x401300, kImport = 0x402000, kReplPtr = 0x402010,
                          kFnThunkPtr = 0x402020, kFn = 0x408000, kFnThunk = 0x409000;
    CodeImage img{0x400000, 0x10000, PAGE_READONLY};
    std::vector<std::uint8_t> fn;

    static std::vector<std::uint8_t> Le(Addr v) {
        return {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)};
    }
    static std::vector<std::uint8_t> Cat(std::vector<std::uint8_t> a, const std::vector<std::uint8_t>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    }

    explicit Rig(std::vector<std::uint8_t> function, bool importThunk = false) : fn(std::move(function)) {
        std::uint32_t old = 0;
        img.VirtualProtect(0x401000, 0x1000, PAGE_EXECUTE_READ, &old);
        img.VirtualProtect(0x402000, 0x1000, PAGE_READWRITE, &old);
        img.VirtualProtect(0x408000, 0x2000, PAGE_EXECUTE_READ, &old);
        img.Load(kEntry, PassThroughEntryBytes(kEntry, kGetter));
        img.Load(kEntryThunk, Cat({0xE9}, Le(kEntry - (kEntryThunk + 5))));
        img.Load(kGetter, Cat(Cat({0xA1}, Le(kImport)), {0xC3}));
        img.Load(kRepl, {0x55, 0x8B, 0xEC, 0x5D, 0xC3});
        img.Load(kReplThunk, Cat({0xFF, 0x25}, Le(kReplPtr)));
        img.Load(kReplPtr, Le(kRepl));
        img.Load(kFn, fn);
        // The import slot names the function, or an FF 25 thunk to it.
        img.Load(kFnThunk, Cat({0xFF, 0x25}, Le(kFnThunkPtr)));
        img.Load(kFnThunkPtr, Le(kFn));
        img.Load(kImport, Le(importThunk ? kFnThunk : kFn));
    }
    std::vector<std::uint8_t> Bytes(Addr a, int n) const {
        std::vector<std::uint8_t> v;
        for (int i = 0; i < n; ++i) v.push_back(img.Byte(a + Addr(i)));
        return v;
    }
    bool ProtectionsAsLoaded() const {
        return img.Protection(kEntry) == PAGE_EXECUTE_READ && img.Protection(kFn) == PAGE_EXECUTE_READ;
    }
};

Addr JumpDest(const CodeImage& img, Addr at) { return at + 5 + img.Read32(at + 1); }

}  // namespace

TEST(ApiPatcher, PatchesWholeInstructionsAndRefusesWhatCannotMove) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> fn;
        int count;  // 0: refused
    };
    const std::vector<Case> cases = {
        {"hot-patch prologue", {0x8B, 0xFF, 0x55, 0x8B, 0xEC, 0x83, 0xEC, 0x10}, 5},
        {"push, mov, sub", {0x55, 0x8B, 0xEC, 0x83, 0xEC, 0x10, 0xC3}, 6},
        {"push 8, push imm32", {0x6A, 0x08, 0x68, 1, 2, 3, 4, 0xC3}, 7},
        {"cut short by ret", {0x33, 0xC0, 0xC3, 0x90, 0x90, 0x90}, 0},
        {"cut short by ret n", {0x90, 0xC2, 0x08, 0x00, 0x90, 0x90}, 0},
        {"forwarded by E9", {0xE9, 0x00, 0x01, 0x00, 0x00, 0x90}, 5},
        {"short branch first", {0x74, 0x10, 0x8B, 0xFF, 0x55, 0x8B, 0xEC}, 0},
    };
    for (const Case& c : cases) {
        Rig rig(c.fn);
        const auto entryBefore = rig.Bytes(Rig::kEntry, 32);
        const Instruction first = DecodeInstruction(rig.img, Rig::kFn);
        EXPECT_EQ(PatchApiEntry(rig.img, Rig::kEntry, Rig::kReplThunk), c.count ? 1 : 0) << c.name;
        EXPECT_TRUE(rig.ProtectionsAsLoaded()) << c.name;
        if (!c.count) {
            EXPECT_EQ(rig.Bytes(Rig::kFn, int(c.fn.size())), c.fn) << c.name;
            EXPECT_EQ(rig.Bytes(Rig::kEntry, 32), entryBefore) << c.name;
            EXPECT_FALSE(IsPatchedTo(rig.img, Rig::kFn, Rig::kReplThunk)) << c.name;
            continue;
        }
        // Entry: the moved instructions (relative ones still reaching their target), a jump
        // back behind them, the count in byte 31.
        EXPECT_EQ(rig.img.Byte(Rig::kEntry + 31), c.count) << c.name;
        EXPECT_EQ(rig.img.Byte(Rig::kEntry + Addr(c.count)), 0xE9) << c.name;
        EXPECT_EQ(JumpDest(rig.img, Rig::kEntry + Addr(c.count)), Rig::kFn + Addr(c.count)) << c.name;
        EXPECT_EQ(DecodeInstruction(rig.img, Rig::kEntry).target, first.target) << c.name;
        // Function: a jump to the replacement's body, the rest of the moved bytes CC.
        EXPECT_EQ(rig.img.Byte(Rig::kFn), 0xE9) << c.name;
        EXPECT_EQ(JumpDest(rig.img, Rig::kFn), Rig::kRepl) << c.name;
        for (int i = 5; i < c.count; ++i) EXPECT_EQ(rig.img.Byte(Rig::kFn + Addr(i)), 0xCC) << c.name << " byte " << i;
        EXPECT_EQ(rig.img.Byte(Rig::kFn + Addr(c.count)), c.fn.size() > std::size_t(c.count) ? c.fn[std::size_t(c.count)] : 0)
            << c.name;
        EXPECT_TRUE(IsPatchedTo(rig.img, Rig::kFn, Rig::kReplThunk)) << c.name;
        // A second patch finds the entry changed.
        EXPECT_EQ(PatchApiEntry(rig.img, Rig::kEntry, Rig::kReplThunk), 0) << c.name;
        // Unpatching puts the function back byte for byte, even where a moved E9 now starts the entry.
        EXPECT_EQ(UnpatchApiEntry(rig.img, Rig::kEntry, Rig::kReplThunk), 1) << c.name;
        EXPECT_EQ(rig.Bytes(Rig::kFn, int(c.fn.size())), c.fn) << c.name;
        EXPECT_TRUE(rig.ProtectionsAsLoaded()) << c.name;
    }
}

TEST(ApiPatcher, FollowsImportThunksAndForwardedEntries) {
    const std::vector<std::uint8_t> fn = {0x8B, 0xFF, 0x55, 0x8B, 0xEC, 0xC3};
    Rig rig(fn, /*importThunk=*/true);
    const auto thunk = rig.Bytes(Rig::kFnThunk, 6);
    const auto entryThunk = rig.Bytes(Rig::kEntryThunk, 5);
    EXPECT_EQ(PatchApiEntry(rig.img, Rig::kEntryThunk, Rig::kReplThunk), 1);
    EXPECT_EQ(rig.Bytes(Rig::kFnThunk, 6), thunk);  // the thunk stays; the function behind it is patched
    EXPECT_EQ(rig.Bytes(Rig::kEntryThunk, 5), entryThunk);
    EXPECT_TRUE(IsPatchedTo(rig.img, Rig::kFnThunk, Rig::kReplThunk));
    EXPECT_EQ(rig.Bytes(Rig::kEntry, 5), std::vector<std::uint8_t>(fn.begin(), fn.begin() + 5));
    EXPECT_EQ(UnpatchApiEntry(rig.img, Rig::kEntryThunk, Rig::kReplThunk), 1);
    EXPECT_EQ(rig.Bytes(Rig::kFn, 6), fn);
}

TEST(ApiPatcher, UnpatchErrorsLeaveProtectionsAsTheyWere) {
    const std::vector<std::uint8_t> fn = {0x8B, 0xFF, 0x55, 0x8B, 0xEC, 0xC3};
    struct Case {
        const char* name;
        bool patch;
        std::function<void(Rig&)> spoil;
        Addr replacement;
        std::uint32_t error;
    };
    const std::vector<Case> cases = {
        {"entry holds no patch", false, [](Rig&) {}, Rig::kReplThunk, ERROR_INVALID_HANDLE},
        {"function no longer starts with a jump", true, [](Rig& r) { r.img.Load(Rig::kFn, {0x90}); },
         Rig::kReplThunk, ERROR_INVALID_BLOCK},
        {"jump leads elsewhere", true, [](Rig&) {}, Rig::kOtherRepl, ERROR_INVALID_ACCESS},
        {"moved code no longer whole", true, [](Rig& r) { r.img.Load(Rig::kEntry, {0x81}); }, Rig::kReplThunk,
         ERROR_INVALID_DATA},
    };
    for (const Case& c : cases) {
        Rig rig(fn);
        if (c.patch) ASSERT_EQ(PatchApiEntry(rig.img, Rig::kEntry, Rig::kReplThunk), 1) << c.name;
        c.spoil(rig);
        rig.img.SetLastError(0);
        EXPECT_EQ(UnpatchApiEntry(rig.img, Rig::kEntry, c.replacement), 0) << c.name;
        EXPECT_EQ(rig.img.GetLastError(), c.error) << c.name;
        EXPECT_TRUE(rig.ProtectionsAsLoaded()) << c.name;
    }
}
