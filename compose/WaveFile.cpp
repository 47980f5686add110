#include "compose/WaveFile.h"

#include "core/Helpers.h"

#include <cstdlib>
#include <cstring>
#include <new>

CWaveFormat::CWaveFormat() {
    m_wfx.wFormatTag = 1;
    m_wfx.nChannels = 1;
    m_wfx.nSamplesPerSec = 8000;
    m_wfx.wBitsPerSample = 16;
    m_wfx.cbSize = 0;
    Recompute();
}

void CWaveFormat::Recompute() {
    m_wfx.nAvgBytesPerSec = m_wfx.wBitsPerSample / 8 * m_wfx.nSamplesPerSec;
    m_wfx.nBlockAlign = static_cast<std::uint16_t>(m_wfx.wBitsPerSample / 8 * m_wfx.nChannels);
}

void CWaveFormat::SetBits(std::uint16_t bits) {
    m_wfx.wBitsPerSample = bits;
    Recompute();
}

void CWaveFormat::SetRate(std::uint32_t rate) {
    m_wfx.nSamplesPerSec = rate;
    Recompute();
}

void CWaveFormat::SetChannels(std::uint16_t channels) {
    m_wfx.nChannels = channels;
    Recompute();
}

wave::PcmFormat CWaveFormat::Pcm() const {
    wave::PcmFormat f;
    f.rate = m_wfx.nSamplesPerSec;
    f.channels = m_wfx.nChannels;
    f.bits = m_wfx.wBitsPerSample;
    return f;
}

CMemBlock::CMemBlock(std::size_t size, bool owned) : m_bOwned(owned ? 1 : 0) {
    m_pData = size ? std::malloc(size) : nullptr;
    if (size && !m_pData) {
        MessageBoxFormat("Out of memory!");
        return;
    }
    m_nSize = size;
}

CMemBlock::CMemBlock(void* data, std::size_t size) : m_pData(data), m_nSize(data ? size : 0) {}

CMemBlock::~CMemBlock() {
    if (m_bOwned) std::free(m_pData);
}

void CMemBlock::Free() {
    std::free(m_pData);
    m_pData = nullptr;
    m_nSize = 0;
}

namespace {

bool Put32(std::FILE* f, std::uint32_t v) {
    unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                          static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
    return std::fwrite(b, 1, 4, f) == 4;
}

bool Get32(std::FILE* f, std::uint32_t& v) {
    unsigned char b[4];
    if (std::fread(b, 1, 4, f) != 4) return false;
    v = b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
    return true;
}

// Finds the sub-chunk with the tag from the current position up to end; leaves the position at
// its data and gives its size.
bool Descend(std::FILE* f, const char* tag, long end, std::uint32_t& size) {
    for (;;) {
        const long at = std::ftell(f);
        if (at < 0 || end - at < 8) return false;
        char id[4];
        if (std::fread(id, 1, 4, f) != 4 || !Get32(f, size)) return false;
        if (std::memcmp(id, tag, 4) == 0) return true;
        const long next = at + 8 + static_cast<long>(size) + static_cast<long>(size & 1);
        if (next > end || std::fseek(f, next, SEEK_SET) != 0) return false;
    }
}

}  // namespace

CWaveFile::CWaveFile(const std::string& fsPath, const CWaveFormat& format) : m_strPath(fsPath) {
    Create(format);
}

CWaveFile::CWaveFile(const std::string& fsPath) : m_strPath(fsPath) { Open(); }

CWaveFile::~CWaveFile() { Close(); }

void CWaveFile::Fail(const char* text) {
    MessageBoxFormat("%s", text);
    if (m_hFile) std::fclose(m_hFile);
    m_hFile = nullptr;
    m_nMode = modeClosed;
}

bool CWaveFile::Create(const CWaveFormat& format) {
    Close();
    m_wfx = format.m_wfx;
    m_wfx.cbSize = 0;
    m_nBufferSize = format.m_nBufferSize;
    m_hFile = std::fopen(m_strPath.c_str(), "wb");
    if (!m_hFile) return false;
    bool ok = std::fwrite("RIFF", 1, 4, m_hFile) == 4 && Put32(m_hFile, 0) &&
              std::fwrite("WAVEfmt ", 1, 8, m_hFile) == 8 && Put32(m_hFile, sizeof m_wfx + m_wfx.cbSize) &&
              std::fwrite(&m_wfx, 1, sizeof m_wfx, m_hFile) == sizeof m_wfx &&
              std::fwrite("data", 1, 4, m_hFile) == 4 && Put32(m_hFile, 0);
    if (!ok) {
        std::fclose(m_hFile);
        m_hFile = nullptr;
        return false;
    }
    m_nRiffStart = 4;
    m_nDataStart = kDataOffset;
    m_nMode = modeWrite;
    return true;
}

bool CWaveFile::Open() {
    Close();
    m_hFile = std::fopen(m_strPath.c_str(), "rb");
    if (!m_hFile) {
        Fail("Error descending into file");
        return false;
    }
    std::fseek(m_hFile, 0, SEEK_END);
    const long fileEnd = std::ftell(m_hFile);
    std::fseek(m_hFile, 0, SEEK_SET);
    char riff[4], form[4];
    std::uint32_t riffSize = 0;
    if (std::fread(riff, 1, 4, m_hFile) != 4 || !Get32(m_hFile, riffSize) || std::fread(form, 1, 4, m_hFile) != 4 ||
        std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(form, "WAVE", 4) != 0) {
        Fail("Error descending into file");
        return false;
    }
    std::uint32_t size = 0;
    if (!Descend(m_hFile, "fmt ", fileEnd, size)) {
        Fail("Error descending in wave file");
        return false;
    }
    const long fmtData = std::ftell(m_hFile);
    // The record holds 18 bytes; a longer chunk's rest is beyond the format.
    WAVEFORMATEX wfx{};
    const std::size_t got = std::fread(&wfx, 1, std::min<std::size_t>(size, sizeof wfx), m_hFile);
    if (size < 16 || got < 16) {
        Fail("Error descending in wave file");
        return false;
    }
    const long next = fmtData + static_cast<long>(size) + static_cast<long>(size & 1);
    if (next > fileEnd || std::fseek(m_hFile, next, SEEK_SET) != 0) {
        Fail("Error ascending in File");
        return false;
    }
    if (!Descend(m_hFile, "data", fileEnd, size)) {
        Fail("error reading data chunk");
        return false;
    }
    m_wfx = wfx;
    m_nDataStart = std::ftell(m_hFile);
    m_nDataEnd = m_nDataStart + std::min<long>(static_cast<long>(size), fileEnd - m_nDataStart);
    m_nMode = modeRead;
    return true;
}

void CWaveFile::Close() {
    if (!m_hFile) {
        m_nMode = modeClosed;
        return;
    }
    if (m_nMode == modeWrite) {
        std::fseek(m_hFile, 0, SEEK_END);
        const long end = std::ftell(m_hFile);
        std::fseek(m_hFile, m_nDataStart - 4, SEEK_SET);
        Put32(m_hFile, static_cast<std::uint32_t>(end - m_nDataStart));
        std::fseek(m_hFile, m_nRiffStart, SEEK_SET);
        Put32(m_hFile, static_cast<std::uint32_t>(end - 8));
    }
    std::fclose(m_hFile);
    m_hFile = nullptr;
    m_nMode = modeClosed;
}

bool CWaveFile::Write(const CMemBlock& block) {
    if (m_nMode != modeWrite) return false;
    return std::fwrite(block.GetBuffer(), 1, block.GetSize(), m_hFile) == block.GetSize();
}

bool CWaveFile::Read(CMemBlock& block) {
    if (m_nMode != modeRead) return false;
    const long at = std::ftell(m_hFile);
    const std::size_t want = std::min<std::size_t>(block.GetSize(), at < m_nDataEnd ? m_nDataEnd - at : 0);
    const std::size_t n = want ? std::fread(block.GetBuffer(), 1, want, m_hFile) : 0;
    block.SetSize(n);
    return n > 0;
}
