// The window system's drawing interface (device contexts, bitmaps, brushes, fonts, palettes, regions, icons)
// and the framework's wrappers of it, drawn with QPainter on QImage surfaces and widgets: one header per group.
#pragma once

#include "GdiBitmaps.h"
#include "GdiDC.h"
#include "GdiObjects.h"
#include "GdiRegions.h"
