#include "package/PresetsData.h"

namespace {

// The text up to the next "|" (all of it when none), and the rest after it.
std::string TakeField(std::string_view& data) {
    const size_t bar = data.find('|');
    std::string field(data.substr(0, bar));
    data = bar == std::string_view::npos ? std::string_view() : data.substr(bar + 1);
    return field;
}

}  // namespace

std::string TrimmedDirectory(std::string_view directory) {
    std::string trimmed(directory);
    while (trimmed.size() > 1 && (trimmed.back() == '\\' || trimmed.back() == '/') &&
           !(trimmed.size() == 3 && trimmed[1] == ':'))
        trimmed.pop_back();
    return trimmed;
}

PresetsData ParsePresetsData(std::string_view data) {
    PresetsData presets;
    presets.directory = TrimmedDirectory(TakeField(data));
    presets.frontEndDirectory = TrimmedDirectory(TakeField(data));
    presets.channels = TakeField(data);
    presets.publisherKey = TakeField(data);
    presets.distId = std::string(data);
    return presets;
}
