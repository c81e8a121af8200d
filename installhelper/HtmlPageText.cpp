#include "installhelper/HtmlPageText.h"

#include "common/JoinedPath.h"
#include "common/TextCompare.h"

std::string HtmlPageLocation(const std::string& html, const std::string& currentDirectory) {
    if (StartsWithNoCase(html, "http://")) return html;
    if (html.size() >= 3 && html[1] == ':' && html[2] == '\\') return html;
    std::string joined;
    if (!JoinedPath(currentDirectory, html.c_str(), joined)) return html;
    return joined;
}
