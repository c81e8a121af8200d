// Helpers of the record tests: a fixture that owns COM and the product's registry tree, direct
// registry access to arrange and inspect records, and the outcome of a method as one value.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "ZULMan.h"
#include "common/ComResult.h"
#include "common/ProductKeys.h"

// How test failures show an Outcome.
std::ostream& operator<<(std::ostream& out, const Outcome& outcome);

namespace recordtest {

inline constexpr auto& kTessaryKey = ProductKeys::kTessary;
inline constexpr auto& kItemsKey = ProductKeys::kItems;
inline constexpr auto& kChannelsKey = ProductKeys::kChannels;
inline constexpr auto& kFileSetsKey = ProductKeys::kFileSets;

// The HRESULT and the result code of one call.
using Outcome = ::Outcome;

constexpr Outcome kOk{S_OK, ZULERR_SUCCESS};
constexpr Outcome Failed(ZULError code) { return {S_FALSE, code}; }
// S_OK with a non-success code: a condition, not a failure.
constexpr Outcome Condition(ZULError code) { return {S_OK, code}; }

// A code no method writes: shows a `ret` left unwritten.
constexpr ZULError kUnwritten = static_cast<ZULError>(-1);

// The outcome of one interface call written with `&ret` as its result argument:
// OUTCOME(item->Flush(&ret)).
#define OUTCOME(call)                                  \
    ([&] {                                             \
        ZULError ret = ::recordtest::kUnwritten;       \
        HRESULT hr = (call);                           \
        return ::recordtest::Outcome{hr, ret};         \
    }())

// Interface methods take texts as char*.
inline char* Text(const char* text) { return const_cast<char*>(text); }

// Takes ownership of a CoTaskMemAlloc'ed text; "<null>" for none.
std::string Take(char* text);

// Registry under HKEY_LOCAL_MACHINE.
void WriteValue(const std::string& key, const char* name, const std::string& text);
void WriteBinary(const std::string& key, const char* name, const std::string& bytes);
std::optional<std::string> ReadValue(const std::string& key, const char* name);
bool KeyExists(const std::string& key);
void CreateKey(const std::string& key);
// Value names of a key in the order the registry enumerates them.
std::vector<std::string> ValueNames(const std::string& key);

// COM initialised and "Software\Tessary" removed before and after every test.
class RecordsTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

}  // namespace recordtest
