#include "package/PackageProperties.h"

#include "records/GuidText.h"

bool IsValidChannelList(std::string_view list) {
    while (!list.empty()) {
        const size_t comma = list.find(',');
        const std::string_view piece = list.substr(0, comma);
        if (!piece.empty() && !IsGuidText(piece)) return false;
        if (comma == std::string_view::npos) break;
        list.remove_prefix(comma + 1);
    }
    return true;
}

bool IsValidDistId(std::string_view distId) {
    if (distId.size() > PackageProperties::kDistIdMaxLength) return false;
    for (const char c : distId) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == '"' || c == '|') return false;
    }
    return true;
}

std::string RefusedPropertyMessage(const char* property, const char* why) {
    return std::string("The value of the property ") + property + " is not valid: " + why;
}
