// C_CabExtractor: extracts a cabinet held in memory, either into a directory or into blocks of
// memory, by answering the Cabinet decoder's notifications.
#pragma once
#include <windows.h>
#include <fdi.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "archive/CabDecoder.h"
#include "archive/MemberDiskWriter.h"

class C_ArchFile;

class C_CabExtractor {
public:
    // Asked for every member: kSelectSkip skips it, kSelectAbort ends the extraction, anything
    // else takes it.
    using SelectCallback = int (*)(void* context, const char* name);
    // Told of every finished member: the target path (directory mode) or the data (memory mode,
    // a block from malloc). Bit kReceiveKeepData: the callback keeps the block and frees it with
    // free(); bit kReceiveAbort: the extraction ends here.
    using ReceiveCallback = int (*)(void* context, const char* path, void* data, uint32_t size);

    static constexpr int kSelectSkip = 0;
    static constexpr int kSelectAbort = 2;
    static constexpr int kReceiveKeepData = 1;
    static constexpr int kReceiveAbort = 2;

    C_CabExtractor() = default;
    ~C_CabExtractor() { Reset(); }
    C_CabExtractor(const C_CabExtractor&) = delete;
    C_CabExtractor& operator=(const C_CabExtractor&) = delete;

    // Frees the received block, destroys the decoder instance and clears every member,
    // callbacks included.
    void Reset();
    // Takes the cabinet at address (not copied: it must outlive the extractor's use of it).
    // False, with the extractor reset, for an empty block, a cabinet whose directory fails
    // CheckCabinetDirectory, or one the decoder does not accept.
    bool OpenMemory(const void* address, size_t size);
    void SetCallbacks(SelectCallback select, ReceiveCallback receive, void* context);

    // Each member goes to directory + "\" + its name, dated with the cabinet's time, written by
    // a thread of its own while the next data decodes (see C_MemberDiskWriter; an incomplete
    // member replaces nothing, a read-only file stays). Members whose names would leave the
    // directory are never written. A receive callback is told of each member once it is in
    // place. True only when the decoder finished and every taken member was placed.
    bool ExtractToDir(const char* directory);
    // Each member goes to a block of its size, handed to the receive callback (or, without one,
    // kept as the received block until the next member or Reset).
    bool ExtractToMemory();

    bool isCabinet() const { return m_bIsCabinet; }
    bool inMemory() const { return m_bInMemory; }
    const FDICABINETINFO& cabinetInfo() const { return m_cabinetInfo; }
    const void* receivedData() const { return m_pReceived; }
    uint32_t receivedSize() const { return m_nReceivedSize; }

private:
    enum class Mode { ToDirectory, ToMemory };

    static INT_PTR DIAMONDAPI Notify(FDINOTIFICATIONTYPE type, PFDINOTIFICATION info);
    bool Extract(Mode mode);
    INT_PTR OnCopyFile(const FDINOTIFICATION& info);
    INT_PTR OnCloseFile(const FDINOTIFICATION& info);
    INT_PTR OpenDiskTarget(const char* name);
    INT_PTR OpenMemoryTarget(uint32_t size);
    INT_PTR FinishDiskTarget(const FDINOTIFICATION& info);
    INT_PTR FinishMemoryTarget();
    INT_PTR AnswerReceive(int answer);
    void DropUnfinishedTarget();
    void FreeReceived();

    SelectCallback m_pfnSelect = nullptr;
    ReceiveCallback m_pfnReceive = nullptr;
    void* m_pvContext = nullptr;

    C_CabDecoder m_decoder;
    ERF m_error = {};
    FDICABINETINFO m_cabinetInfo = {};
    bool m_bIsCabinet = false;
    bool m_bInMemory = false;
    const void* m_pCabinet = nullptr;
    size_t m_nCabinetSize = 0;

    Mode m_mode = Mode::ToDirectory;
    std::string m_sTargetDir;
    std::string m_sTargetPath;
    void* m_pReceived = nullptr;
    uint32_t m_nReceivedSize = 0;

    // The member being written: its file object (cleared if the decoder closes it itself), the
    // size the cabinet announced, and whether its close notification is still due.
    C_ArchFile* m_pTarget = nullptr;
    uint32_t m_nExpectedSize = 0;
    bool m_bTargetOpen = false;
    // Writes the members of an extraction into a directory.
    C_MemberDiskWriter m_writer;
    // Members the writer could not place, as last seen.
    unsigned m_nNotPlacedSeen = 0;
    // Some member was refused or could not be placed.
    bool m_bMemberFailed = false;
    // The receive callback asked to end the extraction.
    bool m_bAborted = false;
};
