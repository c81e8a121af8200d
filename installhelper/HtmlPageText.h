// Where the HTML pane's page comes from: an "http://" address or a drive path as it stands,
// anything else relative to the current directory (portable).
#pragma once
#include <string>

std::string HtmlPageLocation(const std::string& html, const std::string& currentDirectory);
