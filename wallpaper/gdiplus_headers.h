// GDI+'s headers, with the min and max they use (windows.h is built without
// its macros of those names).
#pragma once
#include <windows.h>
#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>
