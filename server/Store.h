// What the server keeps: the catalogue, the machines, their subscriptions, installs and what
// each was last sent. One interface, an embedded (SQLite) and a shared (PostgreSQL) store.
// A store is used from many threads at once; each call is one transaction. Failures throw
// StoreError, which the HTTP front turns into status 503 and the commands into a message.
#pragma once
#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "server/Catalogue.h"
#include "server/CheckinForm.h"

class StoreError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The published catalogue as stored: block texts in import order, and a revision that every
// import raises.
struct StoredCatalogue {
    int64_t revision = 0;
    std::vector<std::string> blocks;
};

// What a machine was sent of a channel and has confirmed by checking in again.
struct ChannelDelivery {
    std::optional<std::string> confirmedVersion;
    bool subscribeConfirmed = false;
};

struct MachineState {
    std::map<std::string, ChannelDelivery> deliveries;  // by channel GUID
    std::set<std::string> installed;                    // item GUIDs
};

// What an answer hands a machine: the channel, its "Version", whether it carried "Subscribe=1".
struct DeliveryRecord {
    std::string channel;
    std::string version;
    bool subscribe = false;
};

// Decides the answer from the machine's state (inside the check-in's transaction) and returns
// what it delivers.
using AnswerPlanner = std::function<std::vector<DeliveryRecord>(const MachineState&)>;

struct CheckinRecorded {
    int newInstalls = 0;  // installs recorded for the first time
};

// Called once a check-in is recorded, or with the StoreError that stopped it.
using CheckinDone = std::function<void(CheckinRecorded, std::exception_ptr)>;

struct ReportData {
    int64_t machines = 0;
    int64_t machinesLastDay = 0;
    struct Subscription { std::string channel, distId; int64_t machines = 0; };
    struct Install { std::string item, distId; int64_t machines = 0; };
    struct Day { std::string day; int64_t checkins = 0; };
    std::vector<Subscription> subscriptions;
    std::vector<Install> installsByItem;        // distId empty
    std::vector<Install> installsByItemDistId;
    std::vector<Day> checkinsPerDay;
};

class Store {
public:
    virtual ~Store() = default;
    // Replaces the published catalogue in one transaction: blocks are updated in place by GUID,
    // blocks no longer present stop being published.
    virtual void ImportCatalogue(const std::vector<CatalogueBlock>& blocks) = 0;
    virtual int64_t CatalogueRevision() = 0;
    virtual StoredCatalogue LoadCatalogue() = 0;
    // Records one check-in (machine, subscriptions as listed, installs once each, confirmation
    // of what the last answer delivered), asks the planner for the answer and records what it
    // delivers: all in one transaction. `now` is seconds since the epoch.
    virtual CheckinRecorded RecordCheckin(const CheckinForm& form, int64_t now, const AnswerPlanner& planner) = 0;
    // The same, without waiting: `done` is called when the check-in is recorded, possibly on
    // another thread (this default records it at once on the caller's).
    virtual void RecordCheckinAsync(CheckinForm form, int64_t now, AnswerPlanner planner, CheckinDone done) {
        CheckinRecorded recorded;
        std::exception_ptr error;
        try {
            recorded = RecordCheckin(form, now, planner);
        } catch (...) {
            error = std::current_exception();
        }
        done(recorded, error);
    }
    virtual ReportData Report(int64_t now) = 0;
    // Whether the store answers a trivial query.
    virtual bool Healthy() noexcept = 0;
};

// The embedded store in dataDir/zul.db, or PostgreSQL when url is given.
std::unique_ptr<Store> OpenStore(const std::string& dataDir, const std::string& postgresUrl);
