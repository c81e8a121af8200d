// The distribution server's reading of check-in requests over arbitrary bytes: it ends with a
// result, and whatever it accepts is canonical and reads back the same when written again.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "records/GuidText.h"
#include "server/CheckinForm.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

bool IsCanonical(const std::string& guid) {
    GuidValue value;
    return ParseGuidText(guid, value) == kGuidParsed && GuidToText(value) == guid;
}

std::string Write(const CheckinForm& form) {
    std::string body = "clversion=" + form.clversion + "&checkintype=" + form.checkinType + "&machineguid=" + form.machine + "&channels=";
    for (const ListedChannel& channel : form.channels) body += channel.guid + "," + channel.distId + ";";
    body += "&installed=";
    for (const ReportedInstall& install : form.installed) body += install.item + "," + install.channel + ";";
    if (form.nonce) body += "&nonce=" + *form.nonce;
    return body;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    const CheckinFormResult result = ParseCheckinForm(body);
    if (!result.ok) {
        Check(!result.reason.empty() && result.reason.find('\n') == std::string::npos);
        return 0;
    }
    const CheckinForm& form = result.form;
    Check(IsCanonical(form.machine));
    for (const ListedChannel& channel : form.channels) Check(IsCanonical(channel.guid) && !channel.distId.empty());
    for (const ReportedInstall& install : form.installed)
        Check(IsCanonical(install.item) && (install.channel.empty() || IsCanonical(install.channel)));
    const CheckinFormResult again = ParseCheckinForm(Write(form));
    Check(again.ok && Write(again.form) == Write(form));
    return 0;
}
