#include "archive/CabinetDirectory.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr size_t kHeaderSize = 36;
constexpr size_t kFolderSize = 8;
constexpr size_t kFileSize = 16;
constexpr size_t kMaxNameLength = 255;
constexpr uint64_t kMaxBlockOutput = 32768;  // uncompressed bytes one data block can give

constexpr uint16_t kFlagPrevious = 0x0001;
constexpr uint16_t kFlagNext = 0x0002;
constexpr uint16_t kFlagReserve = 0x0004;

constexpr uint16_t kContinuedFromPrevious = 0xFFFD;
constexpr uint16_t kContinuedToNext = 0xFFFE;
constexpr uint16_t kContinuedBoth = 0xFFFF;

enum Compression : uint16_t { kNone = 0, kMszip = 1, kQuantum = 2, kLzx = 3 };

// Little-endian reads inside [0, limit); every read checks its bounds.
class Reader {
public:
    Reader(const unsigned char* data, size_t limit) : m_data(data), m_limit(limit) {}

    bool Seek(size_t position) {
        if (position > m_limit) return false;
        m_position = position;
        return true;
    }
    bool Skip(size_t count) { return count <= m_limit - m_position && Seek(m_position + count); }
    size_t position() const { return m_position; }

    bool U8(uint8_t* value) {
        if (m_limit - m_position < 1) return false;
        *value = m_data[m_position++];
        return true;
    }
    bool U16(uint16_t* value) {
        if (m_limit - m_position < 2) return false;
        *value = static_cast<uint16_t>(m_data[m_position] | (m_data[m_position + 1] << 8));
        m_position += 2;
        return true;
    }
    bool U32(uint32_t* value) {
        uint16_t low = 0, high = 0;
        if (!U16(&low) || !U16(&high)) return false;
        *value = static_cast<uint32_t>(low) | (static_cast<uint32_t>(high) << 16);
        return true;
    }
    // A zero-terminated text of at most maxLength characters (and at least minLength).
    bool Text(size_t minLength, size_t maxLength) {
        const size_t window = m_limit - m_position < maxLength + 1 ? m_limit - m_position : maxLength + 1;
        const void* zero = std::memchr(m_data + m_position, 0, window);
        if (!zero) return false;
        const size_t length = static_cast<size_t>(static_cast<const unsigned char*>(zero) - (m_data + m_position));
        if (length < minLength) return false;
        m_position += length + 1;
        return true;
    }

private:
    const unsigned char* m_data;
    size_t m_limit;
    size_t m_position = 0;
};

struct Header {
    uint32_t cabinetSize = 0;
    uint32_t filesOffset = 0;
    uint16_t folders = 0;
    uint16_t files = 0;
    uint16_t flags = 0;
    uint8_t folderReserve = 0;
};

struct Folder {
    uint32_t dataOffset = 0;
    uint16_t blocks = 0;
    uint16_t compression = 0;
};

bool ValidCompression(uint16_t type) {
    const unsigned window = (type >> 8) & 0x1F;
    switch (type & 0x000F) {
    case kNone:
    case kMszip: return true;
    case kQuantum: return window >= 10 && window <= 21;
    case kLzx: return window >= 15 && window <= 21;
    default: return false;
    }
}

bool ReadHeader(Reader& in, size_t blockSize, Header* header) {
    uint8_t signature[4], minor = 0, major = 0;
    uint32_t reserved = 0;
    uint16_t setId = 0, index = 0;
    for (uint8_t& byte : signature)
        if (!in.U8(&byte)) return false;
    if (std::memcmp(signature, "MSCF", 4) != 0) return false;
    if (!in.U32(&reserved) || !in.U32(&header->cabinetSize) || !in.U32(&reserved) ||
        !in.U32(&header->filesOffset) || !in.U32(&reserved) || !in.U8(&minor) || !in.U8(&major) ||
        !in.U16(&header->folders) || !in.U16(&header->files) || !in.U16(&header->flags) || !in.U16(&setId) ||
        !in.U16(&index))
        return false;
    return major == 1 && minor == 3 && header->cabinetSize >= kHeaderSize && header->cabinetSize <= blockSize &&
           header->folders > 0 && header->files > 0;
}

// The optional reserved area and the previous/next cabinet texts after the fixed header.
bool ReadHeaderTail(Reader& in, Header* header) {
    if (header->flags & kFlagReserve) {
        uint16_t headerReserve = 0;
        uint8_t dataReserve = 0;
        if (!in.U16(&headerReserve) || !in.U8(&header->folderReserve) || !in.U8(&dataReserve) ||
            !in.Skip(headerReserve))
            return false;
    }
    for (uint16_t flag : {kFlagPrevious, kFlagNext})
        if ((header->flags & flag) && (!in.Text(1, kMaxNameLength) || !in.Text(0, kMaxNameLength))) return false;
    return true;
}

bool ReadFolderEntry(Reader& in, const Header& header, Folder* folder) {
    return in.U32(&folder->dataOffset) && in.U16(&folder->blocks) && in.U16(&folder->compression) &&
           in.Skip(header.folderReserve) && folder->dataOffset <= header.cabinetSize &&
           ValidCompression(folder->compression);
}

bool ReadFileEntry(Reader& in, const Header& header, const std::vector<Folder>& folders) {
    uint32_t length = 0, offset = 0;
    uint16_t folder = 0, date = 0, time = 0, attributes = 0;
    if (!in.U32(&length) || !in.U32(&offset) || !in.U16(&folder) || !in.U16(&date) || !in.U16(&time) ||
        !in.U16(&attributes) || !in.Text(1, kMaxNameLength))
        return false;
    if (folder == kContinuedFromPrevious || folder == kContinuedToNext || folder == kContinuedBoth) return true;
    if (folder >= header.folders) return false;
    return uint64_t{offset} + length <= uint64_t{folders[folder].blocks} * kMaxBlockOutput;
}

}  // namespace

bool CheckCabinetDirectory(const unsigned char* block, size_t size) {
    if (!block || size < kHeaderSize) return false;
    Header header;
    Reader whole(block, size);
    if (!ReadHeader(whole, size, &header)) return false;

    // Everything else lies inside the size the cabinet declares.
    Reader in(block, header.cabinetSize);
    if (!in.Seek(kHeaderSize) || !ReadHeaderTail(in, &header)) return false;
    // Entries that cannot fit are refused before anything is allocated for them.
    if (size_t{header.folders} * (kFolderSize + header.folderReserve) > header.cabinetSize - in.position() ||
        size_t{header.files} * (kFileSize + 2) > header.cabinetSize)
        return false;
    std::vector<Folder> folders(header.folders);
    for (Folder& folder : folders)
        if (!ReadFolderEntry(in, header, &folder)) return false;
    if (!in.Seek(header.filesOffset)) return false;
    for (uint16_t i = 0; i < header.files; ++i)
        if (!ReadFileEntry(in, header, folders)) return false;
    return true;
}
