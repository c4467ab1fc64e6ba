#pragma once

#include <vector>

#include "report/report.h"

namespace danfe {

// The DANFE's design data: its page and its six bands in the order they are
// added to the report, parents before their children. Elements are listed in
// each band's drawing order.
report::ReportDesign DanfeReportDesign();
std::vector<report::BandDesign> DanfeBands();

}  // namespace danfe
