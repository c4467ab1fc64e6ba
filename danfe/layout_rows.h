#pragma once

// Shorthands and element tables shared by the band layout files.

#include <vector>

#include "report/report.h"

namespace danfe::layout {

// Times New Roman, the report font, at the given size.
inline report::FontSpec Pt(double size) { return {.size = size}; }
inline report::FontSpec Bold(double size) { return {.size = size, .bold = true}; }
// The elements that name no font of their own use the report's: 10 points.
inline const report::FontSpec kReportFont = {};

// An element with its place in its band's drawing order, for bands whose
// table is kept in blocks rather than in drawing order.
struct NumberedElement {
  int order;
  report::ElementDesign element;
};

// The bands' elements, each list in its band's drawing order.
std::vector<report::ElementDesign> ReceiptStubElements();
std::vector<report::ElementDesign> EmitterElements();
std::vector<report::ElementDesign> RecipientElements();
std::vector<report::ElementDesign> ItemHeadingElements();
std::vector<report::ElementDesign> ItemRowElements();
std::vector<report::ElementDesign> FooterElements();

// The recipient, taxes and transport band block by block, as drawn on the
// sheet from top to bottom; RecipientElements() puts them in drawing order.
std::vector<NumberedElement> RecipientBlocks();

}  // namespace danfe::layout
