// Block text over arbitrary bytes: the parser agrees with a plain reading of the rules, the walks
// and edits keep their invariants, and GUID texts read back canonically.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "common/TextCompare.h"
#include "records/GuidText.h"
#include "records/ResponseText.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

bool IsTrimmed(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsTrimmed(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsTrimmed(text.back())) text.remove_suffix(1);
    return text;
}

struct RefBlock {
    std::string type;
    std::string id;
    std::vector<std::pair<std::string, std::string>> entries;
};

// A character-by-character reading of the format, for comparison.
ZULError ReferenceParse(std::string_view text, std::vector<RefBlock>& blocks) {
    size_t pos = 0;
    for (;;) {
        size_t open = text.find('{', pos);
        if (open == std::string_view::npos) return ZULERR_SUCCESS;
        RefBlock block;
        block.type = Trim(text.substr(pos, open - pos));
        size_t close = open + 2;
        while (close < text.size() && !(text[close] == '}' && (text[close - 1] == '\r' || text[close - 1] == '\n')))
            ++close;
        if (close >= text.size()) return ZULERR_PARSE_ERROR;
        pos = close + 1;
        std::string_view body = Trim(text.substr(open + 1, close - open - 1));
        std::string line;
        for (size_t i = 0; i <= body.size(); ++i) {
            if (i < body.size() && body[i] != '\r' && body[i] != '\n') {
                line += body[i];
                continue;
            }
            if (line.empty()) continue;
            size_t start = line.find_first_not_of(" \t");
            std::string_view rest = start == std::string::npos ? std::string_view() : std::string_view(line).substr(start);
            size_t equals = rest.find('=');
            if (equals == std::string_view::npos) return ZULERR_PARSE_ERROR;
            std::string key(rest.substr(0, equals));
            std::string value(rest.substr(equals + 1));
            line.clear();
            if (EqualsNoCase(key, "guid")) {
                GuidValue guid;
                if (ParseGuidText(value, guid) != kGuidParsed) return ZULERR_BAD_GUID;
                block.id = GuidToText(guid);
            } else {
                block.entries.emplace_back(key, value);
            }
        }
        blocks.push_back(block);
    }
}

void CompareWithReference(const C_ResponseText& text, ZULError result, std::string_view source) {
    std::vector<RefBlock> expected;
    Check(ReferenceParse(source, expected) == result);
    Check(expected.size() == text.BlockCount());
    for (size_t i = 0; i < expected.size(); ++i) {
        const C_PropertyBlock& block = text.BlockAt(i);
        Check(block.HasType() && block.Type() == expected[i].type);
        const std::string& id = expected[i].id;
        Check(block.HasId() == !(id.empty() || id == kNullGuidText.data()));
        if (!id.empty()) Check(block.IdText() == id);
        Check(block.EntryCount() == expected[i].entries.size());
        for (size_t e = 0; e < block.EntryCount(); ++e) {
            Check(block.Key(e) == expected[i].entries[e].first);
            Check(block.Value(e) == expected[i].entries[e].second);
            Check(block.Key(e).data()[block.Key(e).size()] == '\0');
            Check(block.Value(e).data()[block.Value(e).size()] == '\0');
        }
    }
}

void WalkAndEdit(C_ResponseText& text) {
    for (size_t i = 0; i < text.BlockCount(); ++i) {
        std::string type(text.BlockAt(i).Type());
        Check(text.RewindBlock(type.c_str()) == ZULERR_SUCCESS && text.CurrentIndex() <= i);
        C_PropertyBlock* block = nullptr;
        Check(text.CurrentBlock(block) == ZULERR_SUCCESS);
        text.RewindValue();
        size_t steps = 0;
        while (text.NextValue() == ZULERR_SUCCESS) ++steps;
        const size_t count = block->EntryCount();
        Check(count == 0 ? steps == 0 : steps + 1 == count);
        Check(block->CurrentEntry() == count);
        std::string_view key, value;
        if (text.RewindValue() == ZULERR_SUCCESS && text.GetCurrentValue(key, value) == ZULERR_SUCCESS) {
            std::string first(key);
            Check(text.GetKeyValue(first, value) == ZULERR_SUCCESS);
            Check(text.SetKeyValue(first, "edited") == ZULERR_SUCCESS);
            Check(text.RemoveKeyValue(first) == ZULERR_SUCCESS);
        }
        Check(text.RemoveKeyValue("GUID") == ZULERR_INVALID_OPERATION);
    }
    Check(text.RewindBlock(nullptr) == ZULERR_NOT_FOUND);
    Check(text.NextBlock("") == ZULERR_NOT_FOUND && text.CurrentIndex() == text.BlockCount());
    std::string_view type;
    Check(text.GetBlockType(type) == ZULERR_SUCCESS && type.empty());
    Check(text.SetKeyValue("spare", "x") == ZULERR_SUCCESS);
}

void CheckGuid(std::string_view text) {
    GuidValue guid;
    int32_t result = ParseGuidText(text.substr(0, 40), guid);
    Check(result == kGuidParsed || result == kGuidWrongLength || result == kGuidMalformed);
    if (result != kGuidParsed) return;
    std::string canonical = GuidToText(guid);
    GuidValue again;
    Check(ParseGuidText(canonical, again) == kGuidParsed && again == guid);
    Check(canonical.find_first_of("abcdef") == std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string source(reinterpret_cast<const char*>(data), size);
    CheckGuid(source);

    C_ResponseText text;
    ZULError result = text.Load(source);
    std::string_view upToNul(source.c_str());
    Check(text.IsLoaded());
    CompareWithReference(text, result, upToNul);

    C_ResponseText zeroTerminated;
    Check(zeroTerminated.LoadMem(source.c_str()) == result);
    Check(zeroTerminated.BlockCount() == text.BlockCount());

    WalkAndEdit(text);
    return 0;
}
