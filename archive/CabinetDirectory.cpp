#include "archive/CabinetDirectory.h"

#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

namespace {

constexpr size_t kHeaderSize = 36;
constexpr size_t kFolderSize = 8;
constexpr size_t kFileSize = 16;
constexpr size_t kMaxNameLength = 255;
constexpr uint64_t kMaxBlockOutput = 32768;  // uncompressed bytes one data block can give

constexpr uint16_t kFlagReserve = 0x0004;

constexpr uint16_t kContinuedFromPrevious = 0xFFFD;
constexpr uint16_t kContinuedToNext = 0xFFFE;
constexpr uint16_t kContinuedBoth = 0xFFFF;

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
    uint16_t setId = 0;
    uint16_t index = 0;
    uint8_t folderReserve = 0;
    uint8_t dataReserve = 0;
};

bool ValidCompression(uint16_t type) {
    const unsigned window = (type >> 8) & 0x1F;
    switch (type & kCabinetCompressionMask) {
    case kCabinetCompressionNone:
    case kCabinetCompressionMszip: return true;
    case kCabinetCompressionQuantum: return window >= 10 && window <= 21;
    case kCabinetCompressionLzx: return window >= 15 && window <= 21;
    default: return false;
    }
}

bool ReadHeader(Reader& in, size_t blockSize, Header* header) {
    uint8_t signature[4], minor = 0, major = 0;
    uint32_t reserved = 0;
    for (uint8_t& byte : signature)
        if (!in.U8(&byte)) return false;
    if (std::memcmp(signature, "MSCF", 4) != 0) return false;
    if (!in.U32(&reserved) || !in.U32(&header->cabinetSize) || !in.U32(&reserved) ||
        !in.U32(&header->filesOffset) || !in.U32(&reserved) || !in.U8(&minor) || !in.U8(&major) ||
        !in.U16(&header->folders) || !in.U16(&header->files) || !in.U16(&header->flags) || !in.U16(&header->setId) ||
        !in.U16(&header->index))
        return false;
    return major == 1 && minor == 3 && header->cabinetSize >= kHeaderSize && header->cabinetSize <= blockSize &&
           header->folders > 0 && header->files > 0;
}

// The optional reserved area and the previous/next cabinet texts after the fixed header.
bool ReadHeaderTail(Reader& in, Header* header) {
    if (header->flags & kFlagReserve) {
        uint16_t headerReserve = 0;
        if (!in.U16(&headerReserve) || !in.U8(&header->folderReserve) || !in.U8(&header->dataReserve) ||
            !in.Skip(headerReserve))
            return false;
    }
    for (uint16_t flag : {kCabinetFlagPrevious, kCabinetFlagNext})
        if ((header->flags & flag) && (!in.Text(1, kMaxNameLength) || !in.Text(0, kMaxNameLength))) return false;
    return true;
}

bool ReadFolderEntry(Reader& in, const Header& header, CabinetFolder* folder) {
    return in.U32(&folder->dataOffset) && in.U16(&folder->blocks) && in.U16(&folder->compression) &&
           in.Skip(header.folderReserve) && folder->dataOffset <= header.cabinetSize &&
           ValidCompression(folder->compression);
}

bool ReadFileEntry(Reader& in, const unsigned char* block, const Header& header,
                   const std::vector<CabinetFolder>& folders, CabinetMember* file) {
    if (!in.U32(&file->length) || !in.U32(&file->offset) || !in.U16(&file->folder) || !in.U16(&file->date) ||
        !in.U16(&file->time) || !in.U16(&file->attributes))
        return false;
    file->name = reinterpret_cast<const char*>(block + in.position());
    if (!in.Text(1, kMaxNameLength)) return false;
    if (IsContinuedMember(*file)) return true;
    if (file->folder >= header.folders) return false;
    return uint64_t{file->offset} + file->length <= uint64_t{folders[file->folder].blocks} * kMaxBlockOutput;
}

}  // namespace

bool IsContinuedMember(const CabinetMember& member) {
    return member.folder == kContinuedFromPrevious || member.folder == kContinuedToNext ||
           member.folder == kContinuedBoth;
}

bool CheckCabinetDirectory(const unsigned char* block, size_t size) {
    CabinetDirectory directory;
    return ReadCabinetDirectory(block, size, &directory);
}

bool ReadCabinetDirectory(const unsigned char* block, size_t size, CabinetDirectory* directory) {
    *directory = CabinetDirectory{};
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
    std::vector<CabinetFolder> folders(header.folders);
    for (CabinetFolder& folder : folders)
        if (!ReadFolderEntry(in, header, &folder)) return false;
    if (!in.Seek(header.filesOffset)) return false;
    std::vector<CabinetMember> files(header.files);
    for (CabinetMember& file : files)
        if (!ReadFileEntry(in, block, header, folders, &file)) return false;
    directory->cabinetSize = header.cabinetSize;
    directory->flags = header.flags;
    directory->setId = header.setId;
    directory->index = header.index;
    directory->dataReserve = header.dataReserve;
    directory->folders = std::move(folders);
    directory->files = std::move(files);
    return true;
}
