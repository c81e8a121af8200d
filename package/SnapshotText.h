// The text form of what a rollback restores: registry key trees and values of
// HKEY_LOCAL_MACHINE as they were before the installation changed them, and files that did not
// exist then. One record per line, fields separated by ";", every text hex-encoded so that the
// form survives Windows Installer's property handling unchanged.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct SnapshotRecord {
    enum class Kind : char {
        Tree = 'T',     // the key tree as captured: removed whole before its keys and values come back
        Key = 'K',      // a key that existed (also when it held no values)
        Value = 'V',    // a value of a key
        Absent = 'A',   // a value that did not exist: removed
        NewFile = 'F',  // a file that did not exist: deleted
        NewFolder = 'D',  // a folder that did not exist: removed when empty
    };
    Kind kind = Kind::Key;
    std::string key;   // under HKEY_LOCAL_MACHINE; for NewFile the file's path
    std::string name;  // the value's name (Value, Absent)
    uint32_t type = 0; // the value's registry type (Value)
    std::string data;  // the value's bytes (Value)
    friend bool operator==(const SnapshotRecord&, const SnapshotRecord&) = default;
};

// Whether a record lies where the package's rollback may write or delete: keys under
// "Software\Tessary", the uninstall entry "TessaryZUL" and the Run key, and only the files named
// "distid.dat" or "appinfo.dat" (the restore runs with the installer's rights, so what it touches
// is fixed here whatever text reaches it). Folders are only ever removed when empty.
[[nodiscard]] bool IsRestorable(const SnapshotRecord& record);

[[nodiscard]] std::string EncodeSnapshot(const std::vector<SnapshotRecord>& records);

// nullopt when any line is malformed (the restore then changes nothing).
[[nodiscard]] std::optional<std::vector<SnapshotRecord>> DecodeSnapshot(std::string_view text);
