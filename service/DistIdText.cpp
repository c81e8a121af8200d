#include "service/DistIdText.h"

std::string TrimDistIdText(std::string_view text) {
    size_t end = text.size();
    while (end > 0 && (text[end - 1] == '\r' || text[end - 1] == '\n' || text[end - 1] == '\t')) --end;
    return std::string(text.substr(0, end));
}
