// The distribution identifier handed over in "distid.dat".
#pragma once
#include <string>
#include <string_view>

// The file's text without its trailing carriage returns, line feeds and tabs (spaces and the
// start of the text are kept).
std::string TrimDistIdText(std::string_view text);
