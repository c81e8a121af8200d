// What the system registers when no package of it is installed any more (a package removed by
// other means, or files deleted by hand): found and deleted so that no entry, Run value or COM
// class names programs that are gone.
#pragma once

#include <string>
#include <vector>

// Deletes the uninstall entry "TessaryZUL", the Run values of both programs, and the COM
// registrations of both programs and of the proxy/stub library. Answers a description of each
// kind that was found and deleted (empty when none was left).
[[nodiscard]] std::vector<std::string> RemoveLeftoverRegistrations();
