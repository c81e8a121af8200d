// Settings of this implementation: build-time defaults that a REG_SZ value of the product key
// (HKLM "Software\Tessary\ZUL") overrides.
#pragma once
#include <string>

namespace Settings {
// The update service address handed to the updater ("UpdateURL").
std::string UpdateURL();
// The whole check-in URL ("CheckinURL").
std::string CheckinURL();
// The support page named in the install helper's messages ("SupportURL").
std::string SupportURL();
// How long the programs wait for a program outside the system (the maker's updater, an older
// partner front-end) before going on as after a failed run ("ProgramWaitSeconds", decimal,
// 1 to 3600; default 120).
unsigned long ProgramWaitMs();
}  // namespace Settings
