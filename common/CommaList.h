// Comma-separated lists of identifiers: empty pieces are skipped, no blanks are removed.
#pragma once
#include <string>
#include <string_view>
#include <vector>

std::vector<std::string> SplitCommaList(std::string_view text);
