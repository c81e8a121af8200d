#include "archive/CabinetFolderReader.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t kDataHeaderSize = 8;      // checksum, compressed and uncompressed sizes
constexpr size_t kMaxBlockOutput = 32768;  // uncompressed bytes one data block can give
constexpr size_t kMaxBlockInput = kMaxBlockOutput + 6144;
constexpr size_t kMszipWindow = 32768;

uint16_t Read16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Read32(const unsigned char* p) { return static_cast<uint32_t>(Read16(p)) | (static_cast<uint32_t>(Read16(p + 2)) << 16); }

// The cabinet's block checksum: 32-bit little-endian words XORed, the tail's bytes folded in
// from the high end.
uint32_t Checksum(const unsigned char* data, size_t size, uint32_t seed) {
    uint32_t sum = seed;
    size_t words = size / 4;
    for (; words > 0; --words, data += 4) sum ^= Read32(data);
    uint32_t tail = 0;
    switch (size % 4) {
    case 3: tail |= static_cast<uint32_t>(*data++) << 16; [[fallthrough]];
    case 2: tail |= static_cast<uint32_t>(*data++) << 8; [[fallthrough]];
    case 1: tail |= *data; break;
    default: break;
    }
    return sum ^ tail;
}

}  // namespace

// zlib's raw inflate state, created once per reader and reset for each block.
struct C_CabinetFolderReader::Inflater {
    z_stream stream{};
    bool ready = false;

    Inflater() { ready = inflateInit2(&stream, -MAX_WBITS) == Z_OK; }
    ~Inflater() {
        if (ready) inflateEnd(&stream);
    }
};

C_CabinetFolderReader::C_CabinetFolderReader() = default;
C_CabinetFolderReader::~C_CabinetFolderReader() = default;

bool C_CabinetFolderReader::Decodes(const CabinetFolder& folder) {
    const uint16_t type = folder.compression & kCabinetCompressionMask;
    return type == kCabinetCompressionNone || type == kCabinetCompressionMszip;
}

bool C_CabinetFolderReader::Open(const unsigned char* block, const CabinetDirectory& directory,
                                 const CabinetFolder& folder) {
    if (!block || !Decodes(folder)) return false;
    m_pBlock = block;
    m_nCabinetSize = directory.cabinetSize;
    m_nDataReserve = directory.dataReserve;
    m_nCompression = folder.compression & kCabinetCompressionMask;
    m_nBlocksLeft = folder.blocks;
    m_nNextBlockOffset = folder.dataOffset;
    m_nPosition = 0;
    m_output.clear();
    m_nOutputUsed = 0;
    m_history.clear();
    if (m_nCompression == kCabinetCompressionMszip && !m_inflater) {
        m_inflater = std::make_unique<Inflater>();
        if (!m_inflater->ready) {
            m_inflater.reset();
            return false;
        }
    }
    return true;
}

bool C_CabinetFolderReader::Next(size_t count, const unsigned char** data, size_t* got) {
    *got = 0;
    if (count == 0) return true;
    while (m_nOutputUsed == m_output.size())
        if (!DecodeNextBlock()) return false;
    const size_t take = std::min(count, m_output.size() - m_nOutputUsed);
    *data = m_output.data() + m_nOutputUsed;
    *got = take;
    m_nOutputUsed += take;
    m_nPosition += take;
    return true;
}

bool C_CabinetFolderReader::Skip(uint64_t count) {
    while (count > 0) {
        const unsigned char* data = nullptr;
        size_t got = 0;
        const size_t step = count < kMaxBlockOutput ? static_cast<size_t>(count) : kMaxBlockOutput;
        if (!Next(step, &data, &got)) return false;
        count -= got;
    }
    return true;
}

bool C_CabinetFolderReader::DecodeNextBlock() {
    if (m_nBlocksLeft == 0) return false;
    const size_t headerEnd = m_nNextBlockOffset + kDataHeaderSize + m_nDataReserve;
    if (headerEnd > m_nCabinetSize) return false;
    const unsigned char* header = m_pBlock + m_nNextBlockOffset;
    const uint32_t storedSum = Read32(header);
    const uint16_t inputSize = Read16(header + 4);
    const uint16_t outputSize = Read16(header + 6);
    if (inputSize > kMaxBlockInput || outputSize > kMaxBlockOutput || m_nCabinetSize - headerEnd < inputSize)
        return false;
    const unsigned char* input = m_pBlock + headerEnd;
    if (storedSum != 0 && storedSum != Checksum(header + 4, 4, Checksum(input, inputSize, 0))) return false;

    KeepHistory();
    m_output.resize(outputSize);
    m_nOutputUsed = 0;
    m_nNextBlockOffset = headerEnd + inputSize;
    --m_nBlocksLeft;
    if (m_nCompression == kCabinetCompressionNone) {
        if (inputSize != outputSize) return false;
        if (outputSize) std::memcpy(m_output.data(), input, outputSize);
        return true;
    }
    return InflateBlock(input, inputSize, outputSize);
}

// The last 32 KB of what the folder gave so far; usually exactly the block just finished.
void C_CabinetFolderReader::KeepHistory() {
    if (m_nCompression != kCabinetCompressionMszip) return;
    if (m_output.size() >= kMszipWindow) {
        m_history.swap(m_output);
        return;
    }
    m_history.insert(m_history.end(), m_output.begin(), m_output.end());
    if (m_history.size() > kMszipWindow) m_history.erase(m_history.begin(), m_history.end() - kMszipWindow);
}

// An MSZIP block: "CK", then a deflate stream that may refer back into the previous block.
bool C_CabinetFolderReader::InflateBlock(const unsigned char* data, size_t size, size_t expected) {
    if (size < 2 || data[0] != 'C' || data[1] != 'K') return false;
    z_stream& z = m_inflater->stream;
    if (inflateReset(&z) != Z_OK) return false;
    if (!m_history.empty()) {
        const size_t keep = std::min(m_history.size(), kMszipWindow);
        if (inflateSetDictionary(&z, m_history.data() + m_history.size() - keep, static_cast<uInt>(keep)) != Z_OK)
            return false;
    }
    z.next_in = const_cast<Bytef*>(data + 2);
    z.avail_in = static_cast<uInt>(size - 2);
    // One spare byte tells a block that decodes to more than it announced.
    unsigned char spare = 0;
    z.next_out = expected ? m_output.data() : &spare;
    z.avail_out = static_cast<uInt>(expected ? expected : 1);
    int result = inflate(&z, Z_SYNC_FLUSH);
    if (expected && z.avail_out == 0 && result == Z_OK) {
        z.next_out = &spare;
        z.avail_out = 1;
        result = inflate(&z, Z_SYNC_FLUSH);
        if (z.avail_out == 0) return false;
    }
    if (result != Z_STREAM_END && result != Z_OK && result != Z_BUF_ERROR) return false;
    return z.total_out == expected;
}
