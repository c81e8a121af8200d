// The text side of the Netscape browser probes (portable core): the proxy statements of a
// "prefs.js" file and the way from the browser's executable path to its "Users" directory.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

constexpr unsigned kNetscapeProxyManual = 1;
constexpr unsigned kNetscapeProxyAutoConfig = 2;
constexpr size_t kNetscapeTextMax = 255;  // host name and configuration URL, without the zero

// Proxy preferences; the caller presets them, values that the file does not name stay as preset.
struct NetscapeProxyPrefs {
    unsigned type = 0;
    char host[kNetscapeTextMax + 1] = {};
    uint16_t port = 0;
    char autoConfigUrl[kNetscapeTextMax + 1] = {};
};

// Scans preference statements. The text is cut into pieces at ";" and line feeds; in each piece
// the first occurrence of each quoted key followed by a comma counts, and its value is read one
// blank after the comma, within the same piece: the type as an unsigned number, the port as an
// unsigned 16-bit number, the host and the URL as a double quote followed by a run of characters
// from "." to "z". A value that is missing, malformed, out of range or longer than 255
// characters leaves its field as preset.
void ScanNetscapePrefs(std::string_view text, NetscapeProxyPrefs& prefs);

// From the browser's executable path (install\product\program\netscape.exe) to
// "install\Users" in out (out must hold outSize bytes). False when the path does not fit, has
// fewer than three separators, or the result would not fit.
bool NetscapeUsersDirFromExe(const char* exePath, char* out, size_t outSize);
