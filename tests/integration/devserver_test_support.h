// The development distribution server as the check-in tests use it: its state directory (named
// by ZUL_DEVSERVER_STATE), the manager pointed at it, scripted answers, the requests it saw, and
// a resident manager while a test waits for what its check-in does.
#pragma once
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/Handles.h"

namespace devservertest {

// A text as a JSON string's content (backslashes, quotes and line ends escaped).
std::string JsonText(const std::string& text);
// One scripted answer: status 200 with this body.
std::string Ok200(const std::string& body);

class DevServer {
public:
    // Reads the state directory and port; forgets earlier requests, script and catalogue.
    DevServer();
    // The same for another server's state directory (a Unix path); a secure one is reached
    // over https by the name "localhost", which its certificate names.
    DevServer(const std::string& unixStateDir, bool secure);
    bool Running() const { return !m_port.empty(); }
    // Makes the manager check in with this server ("CheckinURL").
    void PointManagerAt() const;
    // The address of a file under the state's "files" folder, and that folder.
    std::string FileUrl(const std::string& relative) const;
    std::string FilesDir() const { return m_stateDir + "\\files"; }
    // The script as a whole JSON list of answers, served one after another, then the catalogue.
    bool ScriptJson(const std::string& json) const;
    // The same from the raw JSON of each answer.
    bool ScriptRaw(const std::vector<std::string>& answers) const;
    // The same for answers with status 200.
    bool Script(const std::vector<std::string>& bodies) const;
    // The check-in request bodies received, oldest first.
    std::vector<std::string> Requests() const;
    // The public key text of a signing server ("PublisherKey"); empty for one that does not sign.
    std::string PublisherKey() const;
    std::string CheckinUrl() const { return m_base + "/zulm/channelcheckin.asp"; }

private:
    void Open(const std::string& unixStateDir);

    std::string m_stateDir, m_port, m_base;
};

// A registered manager with no other records (running managers stopped, "Software\Tessary"
// deleted, then "ZULMan -RegServer"); whether the registration succeeded. With a scratch name,
// the manager's directory is first set to that fresh scratch directory, put into directory.
[[nodiscard]] bool RegisterManagerWithoutRecords();
[[nodiscard]] bool RegisterManagerWithoutRecords(const char* scratchName, std::string& directory);

// The check-in schedule's values ("NextChannelCheckin"...), as text and as a number (~0 when
// absent), and the time now in the schedule's unit (milliseconds of the system time).
std::optional<std::string> ScheduleText(const char* value);
unsigned long long ScheduleNumber(const char* value);
unsigned long long ScheduleNowMs();

// Polls done every 100 ms for up to timeoutMs; whether it held.
bool WaitUntil(const std::function<bool()>& done, unsigned long timeoutMs);

// A resident manager ("ZULMan -Background") for the life of the object.
class ResidentManager {
public:
    ResidentManager();
    ~ResidentManager() { (void)Stop(); }
    ResidentManager(const ResidentManager&) = delete;
    ResidentManager& operator=(const ResidentManager&) = delete;
    bool Started() const { return static_cast<bool>(m_process); }
    // Asks it to shut down (ZULM_MSG_SHUTDOWN); whether it ended within 15 s.
    bool Stop();

private:
    UniqueHandle m_process;
};

}  // namespace devservertest
