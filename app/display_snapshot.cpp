#include "app/display_snapshot.h"
#include "display/display_list.h"
#include "framework/app.h"
#include <cwchar>

const wchar_t* const kDisplaySnapshotValueNames[kDisplaySnapshotValueCount] = {
    L"DisplayMode", L"Rotation", L"DisplayNumber", L"SystemsDispNumber", L"UserDispNumber", L"Height",
    L"Width",       L"top",      L"bottom",        L"left",              L"right",
};

bool WriteDisplaySnapshot(const DisplayList* list, const velk::CWinApp& profile) {
    bool allWritten = true;
    for (int slot = 0; slot < kDisplaySlots; ++slot) {
        const DisplayRecord empty{};
        const DisplayRecord& r = list ? list->Records[slot] : empty;
        // The profile stores DWORDs; the numbers are passed through bit for bit.
        const int values[kDisplaySnapshotValueCount] = {
            r.DisplayMode,
            r.Rotation,
            static_cast<int>(r.DisplayNumber),
            static_cast<int>(r.SystemsDispNumber),
            static_cast<int>(r.UserDispNumber),
            r.Height,
            r.Width,
            r.top,
            r.bottom,
            r.left,
            r.right,
        };
        wchar_t section[16];
        std::swprintf(section, 16, L"Monitor%d", slot);
        for (int v = 0; v < kDisplaySnapshotValueCount; ++v)
            if (!profile.WriteProfileInt(section, kDisplaySnapshotValueNames[v], values[v])) allWritten = false;
    }
    return allWritten;
}
