#include "service/DistIdText.h"

#include "common/UpdaterLines.h"

std::string TrimDistIdText(std::string_view text) { return StripTrailing(text, "\r\n\t"); }
