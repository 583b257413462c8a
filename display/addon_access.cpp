// Without the add-on library bound, there are no add-on displays.
#include "display/addon_access.h"

int GetActiveAddOnDisplayCount() { return 0; }
AddOnDisplayHandle FindAddOnDisplayByAdapterId(uint32_t) { return 0; }
