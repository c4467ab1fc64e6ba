#pragma once

#include <memory>
#include <string>

#include "report/data_source.h"
#include "report/font.h"
#include "report/report.h"

namespace report::testing {

// A small report of every band kind with the band heights of the invoice
// sheet, set in pixels at the design zoom as the designer set them:
//   Title      96 px (181.43)   a dashed cutting line, a right-aligned total
//   Header    286 px (540.54)   "FL n" written by its handler on every page
//   Recipient 390 px (737.05)   child of Header, kept to page 1 by its handler
//   Heading    23 px (43.47)    child of Recipient; 3 px (5.67) when short
//   Detail     16 px (30.24)    fields "Code" and "Description" (stretches)
//   Footer    280 px (529.17)   on every page
struct TestLayout {
  std::unique_ptr<Report> report;
  int recipient_handler_runs = 0;
};

std::unique_ptr<TestLayout> MakeTestLayout(std::shared_ptr<const FontMetrics> metrics,
                                           bool short_heading = false);

// Rows "1".."n" with one-word descriptions "Item1".."Itemn".
std::unique_ptr<TableDataSource> MakeRows(int n);

}  // namespace report::testing
