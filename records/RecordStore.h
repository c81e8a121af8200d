// Registry form of records. A record of a kind lives in the HKEY_LOCAL_MACHINE key
// "Software\Tessary\ZUL\<kind>\<id text>" with one REG_SZ value per property; the id text is the
// canonical braced form. The bag in memory is a C_PropertyBlock.
#pragma once
#include <string>
#include <string_view>

#include "records/PropertyBlock.h"
#include "common/ZULErrorCodes.h"

namespace RecordKinds {
constexpr char kChannel[] = "Channel";
constexpr char kFileSet[] = "FS_Info";
constexpr char kItem[] = "Item";
constexpr char kItemInstaller[] = "ItemInstaller";
}  // namespace RecordKinds

// Buffers of the record load: a value name or text must be shorter than this to be read.
constexpr unsigned kRecordNameBufferSize = 1024;
constexpr unsigned kRecordDataBufferSize = 1024;

// "Software\Tessary\ZUL\<kind>" and the same followed by "\<id text>". False when the text
// cannot be allocated.
bool RecordKindKeyPath(std::string_view kind, std::string& path) noexcept;
bool RecordKeyPath(std::string_view kind, const C_PropertyBlock& block, std::string& path) noexcept;

// Adds the values of the record's key to the bag, in registry order, each through SetProp with
// its data taken as text. A value named "GUID" is skipped: the id is the key's name. Results:
// ZULERR_NOT_FOUND when the key cannot be opened; ZULERR_REG_GET_VALUE_FAILED when the
// enumeration ends other than at the end of the list (a name or text too long for its buffer);
// the code of the first SetProp that fails. Values read before a failure stay in the bag.
[[nodiscard]] ZULError LoadRecordValues(std::string_view kind, C_PropertyBlock& block) noexcept;

// Writes every entry of the bag except one named "GUID", in order, as a REG_SZ value of the
// record's key, creating the key when missing. Values the bag does not hold are left alone.
// ZULERR_BAD_GUID without an id (nothing written); ZULERR_OPEN_REG_KEY_FAILED when the key
// cannot be created; ZULERR_REG_SET_VALUE_FAILED at the first value that cannot be written,
// those before it staying written.
[[nodiscard]] ZULError WriteRecordValues(std::string_view kind, const C_PropertyBlock& block) noexcept;

// Deletes one value of the record's key; without an id nothing happens. The outcome is not
// reported.
void DeleteRecordValue(std::string_view kind, const C_PropertyBlock& block, const char* name) noexcept;

// Deletes the record's key with all its sub-keys. ZULERR_BAD_GUID without an id, ZULERR_FAILED
// when the deletion fails (a record that is not stored included).
[[nodiscard]] ZULError DeleteRecordKey(std::string_view kind, const C_PropertyBlock& block) noexcept;
