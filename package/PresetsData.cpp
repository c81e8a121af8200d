#include "package/PresetsData.h"

PresetsData ParsePresetsData(std::string_view data) {
    PresetsData presets;
    const size_t first = data.find('|');
    presets.directory = std::string(data.substr(0, first));
    if (first != std::string_view::npos) {
        const std::string_view rest = data.substr(first + 1);
        const size_t second = rest.find('|');
        presets.channels = std::string(rest.substr(0, second));
        if (second != std::string_view::npos) presets.distId = std::string(rest.substr(second + 1));
    }
    std::string& directory = presets.directory;
    while (directory.size() > 1 && (directory.back() == '\\' || directory.back() == '/') &&
           !(directory.size() == 3 && directory[1] == ':'))
        directory.pop_back();
    return presets;
}
