// Where a cabinet member goes when it is extracted into a directory. Portable: pure text work.
#pragma once
#include <string>

// Joins the extraction directory (given without a trailing separator) and a member name with
// one "\" (a name's single leading "\" or "/" stands for that separator). False when the name
// could place a file anywhere but inside the directory, in which case the member must not be
// written: an empty directory or name; a name that is still rooted after its leading separator
// (a second separator: a UNC path); ":" anywhere (a drive letter or an alternate stream); a
// component made only of dots and blanks ("..", "."); a reserved device name ("CON", "NUL",
// "COM1"...), with or without extension; a control character; a trailing separator.
bool JoinMemberPath(const std::string& directory, const char* name, std::string* target);

// True when the member name passes the checks above.
bool IsSafeMemberName(const char* name);
