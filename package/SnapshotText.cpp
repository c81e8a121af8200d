#include "package/SnapshotText.h"

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

std::string Hex(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        text += kHexDigits[byte >> 4];
        text += kHexDigits[byte & 0xF];
    }
    return text;
}

int Nibble(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::optional<std::string> Unhex(std::string_view text) {
    if (text.size() % 2) return std::nullopt;
    std::string bytes;
    bytes.reserve(text.size() / 2);
    for (size_t i = 0; i < text.size(); i += 2) {
        const int high = Nibble(text[i]), low = Nibble(text[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes += static_cast<char>(high << 4 | low);
    }
    return bytes;
}

std::vector<std::string_view> Split(std::string_view line, char separator) {
    std::vector<std::string_view> fields;
    for (size_t start = 0;;) {
        const size_t end = line.find(separator, start);
        fields.push_back(line.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos) return fields;
        start = end + 1;
    }
}

bool IsKind(char c) {
    using Kind = SnapshotRecord::Kind;
    for (const Kind kind : {Kind::Tree, Kind::Key, Kind::Value, Kind::Absent, Kind::NewFile, Kind::NewFolder})
        if (c == static_cast<char>(kind)) return true;
    return false;
}

std::optional<SnapshotRecord> DecodeLine(std::string_view line) {
    const std::vector<std::string_view> fields = Split(line, ';');
    if (fields.size() != 5 || fields[0].size() != 1 || !IsKind(fields[0][0])) return std::nullopt;
    SnapshotRecord record;
    record.kind = static_cast<SnapshotRecord::Kind>(fields[0][0]);
    const auto key = Unhex(fields[1]), name = Unhex(fields[2]), data = Unhex(fields[4]);
    if (!key || !name || !data || fields[3].empty() || fields[3].size() > 8) return std::nullopt;
    for (const char c : fields[3]) {
        if (c < '0' || c > '9') return std::nullopt;
        record.type = record.type * 10 + static_cast<uint32_t>(c - '0');
    }
    record.key = *key;
    record.name = *name;
    record.data = *data;
    return record;
}

bool StartsWithNoCase(std::string_view text, std::string_view start) {
    if (text.size() < start.size()) return false;
    for (size_t i = 0; i < start.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(text[i]) != lower(start[i])) return false;
    }
    return true;
}

// The key itself or a key below it.
bool IsKeyWithin(std::string_view key, std::string_view root) {
    return StartsWithNoCase(key, root) && (key.size() == root.size() || key[root.size()] == '\\');
}

// A single value (set or removed) of exactly that key.
bool IsValueOf(const SnapshotRecord& record, std::string_view key) {
    using Kind = SnapshotRecord::Kind;
    return (record.kind == Kind::Value || record.kind == Kind::Absent) && record.key.size() == key.size() &&
           StartsWithNoCase(record.key, key);
}

bool EndsWithFileNamed(std::string_view path, std::string_view name) {
    return path.size() > name.size() && StartsWithNoCase(path.substr(path.size() - name.size()), name) &&
           (path[path.size() - name.size() - 1] == '\\' || path[path.size() - name.size() - 1] == '/') &&
           path.find("..") == std::string_view::npos;
}

}  // namespace

bool IsRestorable(const SnapshotRecord& record) {
    using Kind = SnapshotRecord::Kind;
    switch (record.kind) {
    case Kind::NewFile:
        return EndsWithFileNamed(record.key, "distid.dat") || EndsWithFileNamed(record.key, "appinfo.dat");
    case Kind::NewFolder:
        return true;
    default:
        return IsKeyWithin(record.key, "Software\\Tessary") ||
               IsKeyWithin(record.key, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TessaryZUL") ||
               (IsValueOf(record, "Software\\Microsoft\\Windows\\CurrentVersion\\Run"));
    }
}

std::string EncodeSnapshot(const std::vector<SnapshotRecord>& records) {
    std::string text;
    for (const SnapshotRecord& record : records) {
        text += static_cast<char>(record.kind);
        text += ';' + Hex(record.key) + ';' + Hex(record.name) + ';' + std::to_string(record.type) + ';' +
                Hex(record.data) + '\n';
    }
    return text;
}

std::optional<std::vector<SnapshotRecord>> DecodeSnapshot(std::string_view text) {
    std::vector<SnapshotRecord> records;
    for (const std::string_view line : Split(text, '\n')) {
        if (line.empty()) continue;
        auto record = DecodeLine(line);
        if (!record) return std::nullopt;
        records.push_back(std::move(*record));
    }
    return records;
}
