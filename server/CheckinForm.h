// The check-in request as the client writes it: form fields in a fixed order, nothing escaped.
//
//   clversion=V&checkintype=N&machineguid={GUID}&channels={GUID},DISTID;...&installed={ITEM},{CHANNEL};...[&nonce=HEX32]
//
// Every value is checked where it enters: GUIDs must read as GUIDs (kept in canonical form),
// DistIDs and versions are short printable texts, the nonce is 32 hexadecimal digits.
#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The check-in interval an answer gives unless the server is told another, in minutes.
constexpr int kDefaultIntervalMinutes = 1440;
// Longest body a check-in may have.
constexpr size_t kCheckinBodyLimit = 1024 * 1024;
// The DistID a client sends for a channel that has none.
constexpr std::string_view kNoDistId = "no-distid";
// The item identifier under which a client reports its former machine identifier after a reset.
constexpr std::string_view kMachineResetItem = "{4344A992-02A4-706C-D466-7CFF8C489813}";

struct ListedChannel {
    std::string guid;    // canonical
    std::string distId;  // as sent ("no-distid" included)
};

struct ReportedInstall {
    std::string item;     // canonical
    std::string channel;  // canonical, or empty when the client had none
};

struct CheckinForm {
    std::string clversion;
    std::string checkinType;
    std::string machine;  // canonical
    std::vector<ListedChannel> channels;
    std::vector<ReportedInstall> installed;
    std::optional<std::string> nonce;  // as sent
};

struct CheckinFormResult {
    bool ok = false;
    std::string reason;  // one line, when not ok
    CheckinForm form;
};

[[nodiscard]] CheckinFormResult ParseCheckinForm(std::string_view body);
