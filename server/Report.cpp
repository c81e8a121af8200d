#include "server/Report.h"

#include <cstdio>

namespace {

std::string Named(const CatalogueIndex& names, const std::string& guid) {
    const std::string name = names.NameOf(guid);
    return name.empty() ? guid : guid + " " + name;
}

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string Line(const char* format, const std::string& a, const std::string& b, long long n) {
    char line[512];
    std::snprintf(line, sizeof line, format, a.c_str(), b.c_str(), n);
    return line;
}

}  // namespace

std::string FormatReport(const ReportData& report, const CatalogueIndex& names, bool csv) {
    std::string text;
    if (csv) {
        text += "section,key,detail,count\n";
        text += "machines,total,," + std::to_string(report.machines) + "\n";
        text += "machines,last 24 h,," + std::to_string(report.machinesLastDay) + "\n";
        for (const auto& s : report.subscriptions)
            text += "subscriptions," + CsvField(Named(names, s.channel)) + "," + CsvField(s.distId) + "," + std::to_string(s.machines) + "\n";
        for (const auto& i : report.installsByItem)
            text += "installs," + CsvField(Named(names, i.item)) + ",," + std::to_string(i.machines) + "\n";
        for (const auto& i : report.installsByItemDistId)
            text += "installs by DistID," + CsvField(Named(names, i.item)) + "," + CsvField(i.distId) + "," + std::to_string(i.machines) + "\n";
        for (const auto& d : report.checkinsPerDay) text += "check-ins," + d.day + ",," + std::to_string(d.checkins) + "\n";
        return text;
    }
    text += "Machines: " + std::to_string(report.machines) + " seen, " + std::to_string(report.machinesLastDay) + " in the last 24 h\n";
    text += "\nSubscriptions (channel, DistID, machines):\n";
    for (const auto& s : report.subscriptions) text += Line("  %-60s %-16s %8lld\n", Named(names, s.channel), s.distId, s.machines);
    text += "\nInstalls (item, machines):\n";
    for (const auto& i : report.installsByItem) text += Line("  %-60s %s%8lld\n", Named(names, i.item), "", i.machines);
    text += "\nInstalls by DistID (item, DistID, machines):\n";
    for (const auto& i : report.installsByItemDistId)
        text += Line("  %-60s %-16s %8lld\n", Named(names, i.item), i.distId.empty() ? "-" : i.distId, i.machines);
    text += "\nCheck-ins per day:\n";
    for (const auto& d : report.checkinsPerDay) text += Line("  %s%s %8lld\n", d.day, "", d.checkins);
    return text;
}
