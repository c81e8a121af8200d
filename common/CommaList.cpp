#include "common/CommaList.h"

std::vector<std::string> SplitCommaList(std::string_view text) {
    std::vector<std::string> pieces;
    size_t start = 0;
    while (start <= text.size()) {
        size_t comma = text.find(',', start);
        if (comma == std::string_view::npos) comma = text.size();
        if (comma > start) pieces.emplace_back(text.substr(start, comma - start));
        start = comma + 1;
    }
    return pieces;
}
