// Path joining into a string of any length (the join rules of JoinPath: exactly one "\"
// between the parts).
#pragma once
#include <string>
#include <string_view>

// base joined with name; false when name is null or memory runs out.
bool JoinedPath(std::string_view base, const char* name, std::string& out) noexcept;

// base joined with name; empty when memory runs out (a path that every later step refuses).
std::string JoinedPath(std::string_view base, const std::string& name);
