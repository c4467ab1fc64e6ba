#pragma once

#include <QTransform>

#include "report/page.h"

class QPainter;

namespace platform {

// The mapping from page coordinates (tenths of a millimetre from the sheet's
// top-left corner) to a device with the given resolution whose own origin
// lies at origin_x, origin_y device pixels from the sheet's corner (a
// printer's unprintable edge; zero for PDF and pictures).
QTransform TenthsToDevice(double dpi_x, double dpi_y, double origin_x = 0, double origin_y = 0);

// Draws a page's display list in order: black hairlines, white fills, text
// in the layout's fonts without kerning, pictures scaled into their boxes
// without smoothing. Leaves the painter's state as it found it.
void PaintPage(const report::Page& page, QPainter& painter, const QTransform& to_device);

}  // namespace platform
