// Checks of the package's public properties before anything is written: a bad value stops the
// installation at its start with a message that names the property.
#pragma once

#include <string>
#include <string_view>

namespace PackageProperties {
constexpr char kSubscribedChannels[] = "SUBSCRIBEDCHANNELS";
constexpr char kDistId[] = "DISTID";
constexpr char kPublisherKey[] = "PUBLISHERKEY";
constexpr size_t kDistIdMaxLength = 256;
}  // namespace PackageProperties

// A comma-separated list of channel GUIDs (braces optional); empty pieces are skipped as the
// manager's registration skips them. The empty list is valid.
[[nodiscard]] bool IsValidChannelList(std::string_view list);

// Printable text of at most 256 characters without a double quote, "|" or line breaks (it ends
// up in a file read line-wise, in a "|"-separated hand-over and on the updater's command line).
[[nodiscard]] bool IsValidDistId(std::string_view distId);

// The message of a refused property: "The value of the property NAME is not valid: WHY".
[[nodiscard]] std::string RefusedPropertyMessage(const char* property, const char* why);
