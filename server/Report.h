// `zulserver report`: machines seen, subscriptions per channel and DistID, installs per item
// (and per DistID), check-ins per day; as aligned text or CSV.
#pragma once
#include <string>

#include "server/CatalogueIndex.h"
#include "server/Store.h"

std::string FormatReport(const ReportData& report, const CatalogueIndex& names, bool csv);
