// C_CabinetFolderReader: the uncompressed data of one cabinet folder stored without compression
// or with MSZIP, read front to back out of the cabinet's block. Each data block is checked (its
// checksum when the cabinet has one, its sizes, the "CK" mark) and decoded into a buffer of one
// block, so memory stays bounded whatever the folder's size. Portable (zlib).
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "archive/CabinetDirectory.h"

class C_CabinetFolderReader {
public:
    C_CabinetFolderReader();
    ~C_CabinetFolderReader();
    C_CabinetFolderReader(const C_CabinetFolderReader&) = delete;
    C_CabinetFolderReader& operator=(const C_CabinetFolderReader&) = delete;

    // Whether this reader decodes the folder's compression type.
    static bool Decodes(const CabinetFolder& folder);

    // Starts at the folder's first byte. block holds the whole cabinet of directory.cabinetSize.
    bool Open(const unsigned char* block, const CabinetDirectory& directory, const CabinetFolder& folder);
    // The uncompressed position: bytes handed out or skipped since Open.
    uint64_t position() const { return m_nPosition; }

    // The next count bytes, at most one block's worth at a time: *data points into the reader's
    // buffer and stays valid until the next call. False on corrupt data or past the folder's end.
    bool Next(size_t count, const unsigned char** data, size_t* got);
    // Moves forward by count bytes.
    bool Skip(uint64_t count);

private:
    bool DecodeNextBlock();
    void KeepHistory();
    bool InflateBlock(const unsigned char* data, size_t size, size_t expected);

    struct Inflater;
    std::unique_ptr<Inflater> m_inflater;
    const unsigned char* m_pBlock = nullptr;
    uint32_t m_nCabinetSize = 0;
    uint8_t m_nDataReserve = 0;
    uint16_t m_nCompression = 0;
    uint16_t m_nBlocksLeft = 0;
    size_t m_nNextBlockOffset = 0;
    uint64_t m_nPosition = 0;

    std::vector<unsigned char> m_output;  // the current block's data
    size_t m_nOutputUsed = 0;             // of it already handed out
    std::vector<unsigned char> m_history;  // the previous block's data: MSZIP's dictionary
};
