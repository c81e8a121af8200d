#include "server/Catalogue.h"

#include <algorithm>
#include <map>
#include <set>

#include "common/TextCompare.h"
#include "records/BlockTextParser.h"
#include "records/GuidText.h"

namespace {

constexpr size_t kArchiveNameLimit = 200;

bool IsNameChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '_' ||
           c == '-' || c == '{' || c == '}' || c == '(' || c == ')' || c == '+' || c == '~';
}

bool IsPlainFileName(std::string_view name) {
    if (name.empty() || name.size() > kArchiveNameLimit || name.front() == '.') return false;
    return std::all_of(name.begin(), name.end(), IsNameChar);
}

std::string CanonicalType(std::string_view type) {
    for (std::string_view known : {kFileSetType, kChannelType, kItemType})
        if (EqualsNoCase(type, known)) return std::string(known);
    return {};
}

size_t LineAt(std::string_view text, size_t offset, size_t& counted, size_t& line) {
    for (; counted < offset && counted < text.size(); ++counted)
        if (text[counted] == '\n') ++line;
    return line;
}

// The first line of the block starting at offset: its type word, past blank lines.
size_t FirstTextOffset(std::string_view text, size_t offset) {
    while (offset < text.size() && (text[offset] == '\r' || text[offset] == '\n' || text[offset] == ' ' || text[offset] == '\t'))
        ++offset;
    return offset;
}

struct Checker {
    const std::vector<CatalogueBlock>& blocks;
    std::set<std::string> filesets, channels;

    std::string Where(const CatalogueBlock& block) const {
        return "line " + std::to_string(block.line) + ", " + block.type + " block " + block.guid + ": ";
    }

    std::string CheckFileSetRefs(const CatalogueBlock& block, std::string_view key) const {
        if (!block.Has(key)) return {};
        std::vector<std::string> guids;
        if (!FileSetList(block.Value(key), guids)) return Where(block) + std::string(key) + " is not a list of GUIDs";
        for (const std::string& guid : guids)
            if (!filesets.count(guid)) return Where(block) + std::string(key) + " names " + guid + ", which is no FileSet of the catalogue";
        return {};
    }

    std::string Check(const CatalogueBlock& block) const {
        if (block.type == kFileSetType) {
            const std::string_view url = block.Value("SourceURL");
            if (url.empty()) return Where(block) + "no SourceURL";
            if (!IsWebUrl(url) && !IsPlainFileName(url)) return Where(block) + "a relative SourceURL must be a plain file name";
            return {};
        }
        if (block.type == kItemType) {
            GuidValue guid;
            if (ParseGuidText(block.Value("Type"), guid) != kGuidParsed) return Where(block) + "Type is not a GUID";
            if (ParseGuidText(block.Value("Channel"), guid) != kGuidParsed || !channels.count(GuidToText(guid)))
                return Where(block) + "Channel names no channel of the catalogue";
            if (std::string e = CheckFileSetRefs(block, "InstallFileSet"); !e.empty()) return e;
        }
        return CheckFileSetRefs(block, "FileSets");
    }
};

}  // namespace

std::string_view CatalogueBlock::Value(std::string_view key) const {
    for (const auto& [k, v] : entries)
        if (EqualsNoCase(k, key)) return v;
    return {};
}

bool CatalogueBlock::Has(std::string_view key) const {
    return std::any_of(entries.begin(), entries.end(), [&](const auto& e) { return EqualsNoCase(e.first, key); });
}

void CatalogueBlock::Set(std::string_view key, std::string_view value) {
    for (auto& [k, v] : entries)
        if (EqualsNoCase(k, key)) {
            v = value;
            return;
        }
    entries.emplace_back(key, value);
}

void CatalogueBlock::Remove(std::string_view key) {
    std::erase_if(entries, [&](const auto& e) { return EqualsNoCase(e.first, key); });
}

std::string CatalogueBlock::Text() const {
    std::string text = type + "\r\n{\r\nGuid=" + guid + "\r\n";
    for (const auto& [k, v] : entries) text += k + "=" + v + "\r\n";
    text += "}\r\n";
    return text;
}

bool IsWebUrl(std::string_view url) { return StartsWithNoCase(url, "http://") || StartsWithNoCase(url, "https://"); }

std::string ArchiveFileName(std::string_view sourceUrl) {
    std::string_view name = sourceUrl;
    if (IsWebUrl(sourceUrl)) {
        name = name.substr(0, name.find_first_of("?#"));
        const size_t slash = name.rfind('/');
        name = slash == std::string_view::npos ? std::string_view() : name.substr(slash + 1);
    }
    return IsPlainFileName(name) ? std::string(name) : std::string();
}

bool FileSetList(std::string_view value, std::vector<std::string>& guids) {
    while (!value.empty()) {
        const size_t end = value.find_first_of(",;");
        const std::string_view piece = value.substr(0, end);
        if (!piece.empty()) {
            GuidValue guid;
            if (ParseGuidText(piece, guid) != kGuidParsed) return false;
            guids.push_back(GuidToText(guid));
        }
        if (end == std::string_view::npos) break;
        value.remove_prefix(end + 1);
    }
    return true;
}

CatalogueParse ParseCatalogue(std::string_view text) {
    CatalogueParse result;
    C_BlockTextParser parser(text);
    size_t counted = 0, line = 1;
    std::set<std::string> seen;
    for (;;) {
        const size_t start = FirstTextOffset(text, parser.Position());
        const size_t blockLine = LineAt(text, start, counted, line);
        C_PropertyBlock parsed;
        const ZULError error = parser.ParseNext(parsed);
        if (error == ZULERR_NOT_FOUND) break;
        const std::string where = "line " + std::to_string(blockLine) + ", " + std::string(parsed.Type()) + " block: ";
        if (error == ZULERR_BAD_GUID) return result.error = where + "its Guid is not a GUID", result;
        if (error != ZULERR_SUCCESS) return result.error = where + "malformed block (a line without \"=\" or no closing \"}\")", result;
        CatalogueBlock block;
        block.type = CanonicalType(parsed.Type());
        block.line = blockLine;
        if (block.type.empty()) return result.error = where + "unknown block type", result;
        if (!parsed.HasId()) return result.error = where + "no Guid", result;
        block.guid = std::string(parsed.IdText());
        if (!seen.insert(block.guid).second) return result.error = where + "Guid " + block.guid + " appears twice", result;
        for (size_t i = 0; i < parsed.EntryCount(); ++i) block.entries.emplace_back(parsed.Key(i), parsed.Value(i));
        result.blocks.push_back(std::move(block));
    }
    if (text.find_first_not_of(" \t\r\n", parser.Position()) != std::string_view::npos)
        return result.error = "line " + std::to_string(LineAt(text, parser.Position(), counted, line)) + ": text after the last block", result;

    Checker checker{result.blocks, {}, {}};
    for (const CatalogueBlock& block : result.blocks) {
        if (block.type == kFileSetType) checker.filesets.insert(block.guid);
        if (block.type == kChannelType) checker.channels.insert(block.guid);
    }
    for (const CatalogueBlock& block : result.blocks)
        if (std::string e = checker.Check(block); !e.empty()) return result.error = e, result;
    result.ok = true;
    return result;
}
