// What the system registers when no package of it is installed any more (a package removed by
// other means, or files deleted by hand): found and deleted so that no entry, Run value or COM
// class names programs that are gone.
#pragma once

#include <string>
#include <vector>

// The kinds of leftovers, as Uninstall.exe names them to the user.
namespace leftover_text {
constexpr char kEntry[] = "its entry in the list of installed programs";
constexpr char kRunValues[] = "its programs' start at log-on";
constexpr char kClasses[] = "its programs' COM registrations";
}  // namespace leftover_text

// Deletes the uninstall entry "TessaryZUL", the Run values of both programs, and the COM
// registrations of both programs and of the proxy/stub library. Answers a description of each
// kind that was found and deleted (empty when none was left).
[[nodiscard]] std::vector<std::string> RemoveLeftoverRegistrations();
