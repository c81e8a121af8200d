// Rules for texts from a server answer or a package that become file-system places: names of
// folders and files, and paths that must stay inside a folder of the system's own (portable).
#pragma once
#include <string>
#include <string_view>

namespace ServerPaths {

// A name Windows keeps as it is for one folder or file: not empty, not "." or "..", no separator,
// none of : * ? " < > | nor a control character, and no trailing dot or blank (which Windows trims,
// so that "Games." would name "Games").
bool IsPlainName(std::string_view text);

// A relative folder path whose every component ("\" and "/" separate them) is a plain name.
bool IsPlainRelativePath(std::string_view text);

// Whether path begins with a drive ("X:"), or with a separator (rooted or UNC).
bool IsRootedPath(std::string_view path);

// Whether path lies inside folder (strictly below it), both full paths in the same form without
// trailing separators; letters compare without regard to case.
bool IsInsideFolder(std::string_view path, std::string_view folder);

// The text without its trailing separators (a bare root such as "C:\" keeps its own).
std::string WithoutTrailingSeparators(std::string_view path);

// The text with every double quote removed (for a text put between quotes on a command line).
std::string WithoutQuotes(std::string_view text);

}  // namespace ServerPaths
