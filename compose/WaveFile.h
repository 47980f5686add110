#pragma once
// The voice recorder's wave format, memory blocks and RIFF wave files (our own RIFF code).
#include "platform/WaveDevice.h"

#include <cstdint>
#include <cstdio>
#include <string>

#pragma pack(push, 1)
// The 18-byte wave format record, as it stands in a "fmt " chunk.
struct WAVEFORMATEX {
    std::uint16_t wFormatTag;
    std::uint16_t nChannels;
    std::uint32_t nSamplesPerSec;
    std::uint32_t nAvgBytesPerSec;
    std::uint16_t nBlockAlign;
    std::uint16_t wBitsPerSample;
    std::uint16_t cbSize;
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18, "format record layout");

class CWaveFormat {
public:
    CWaveFormat();
    virtual ~CWaveFormat() = default;
    void SetBits(std::uint16_t bits);
    void SetRate(std::uint32_t rate);
    void SetChannels(std::uint16_t channels);
    wave::PcmFormat Pcm() const;

    WAVEFORMATEX m_wfx;
    std::uint32_t m_nBufferSize = 16000;

protected:
    void Recompute();
};

// Bytes that travel between the sound threads and the engine.
class CMemBlock {
public:
    CMemBlock() = default;
    // Allocates size bytes ("Out of memory!" and an empty block on failure); owned blocks are
    // freed by the destructor, others by Free.
    CMemBlock(std::size_t size, bool owned);
    // Wraps foreign bytes, not owned; a null pointer gives size 0.
    CMemBlock(void* data, std::size_t size);
    virtual ~CMemBlock();
    CMemBlock(const CMemBlock&) = delete;
    CMemBlock& operator=(const CMemBlock&) = delete;

    void* GetBuffer() const { return m_pData; }
    std::size_t GetSize() const { return m_nSize; }
    void SetSize(std::size_t n) { m_nSize = n; }
    bool IsOwned() const { return m_bOwned != 0; }
    void Free();

private:
    void* m_pData = nullptr;
    std::size_t m_nSize = 0;
    std::uint8_t m_bOwned = 0;
};

class CWaveFile : public CWaveFormat {
public:
    enum { modeClosed = 0, modeRead = 1, modeWrite = 2 };
    // Creates the file for writing with the format.
    CWaveFile(const std::string& fsPath, const CWaveFormat& format);
    // Opens the file for reading; a failure is shown and leaves the file invalid.
    explicit CWaveFile(const std::string& fsPath);
    ~CWaveFile() override;

    bool Create(const CWaveFormat& format);
    bool Open();
    void Close();
    // Write mode: appends the whole block.
    bool Write(const CMemBlock& block);
    // Read mode: reads up to the block's size; the size becomes the bytes read, true when above 0.
    bool Read(CMemBlock& block);
    const CWaveFormat& GetFormat() const { return *this; }
    bool IsValid() const { return m_nMode != modeClosed; }
    int Mode() const { return m_nMode; }

    // Where the samples of a written file start: after the 18-byte "fmt " chunk.
    static constexpr long kDataOffset = 46;

private:
    void Fail(const char* text);

    std::string m_strPath;
    std::FILE* m_hFile = nullptr;
    int m_nMode = modeClosed;
    long m_nRiffStart = 0;   // offset of the RIFF size field
    long m_nDataStart = 0;   // first sample byte
    long m_nDataEnd = 0;     // read mode: end of the samples
};
