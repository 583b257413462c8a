// The display snapshot in the profile: one section "Monitor%d" per slot of
// the display table, holding that slot's display values.
#pragma once
#include <cstdint>

struct DisplayList;
namespace velk {
class CWinApp;
}

// The value names of a section, in the order they are written.
inline constexpr int kDisplaySnapshotValueCount = 11;
extern const wchar_t* const kDisplaySnapshotValueNames[kDisplaySnapshotValueCount];

// Writes the eleven values of each of the ten slots of `list` into the
// sections "Monitor0" to "Monitor9" of `profile`, slot by slot in value
// order. An empty slot writes its zeros; without a table every slot counts
// as empty. False when a value could not be written (the rest are still
// written).
bool WriteDisplaySnapshot(const DisplayList* list, const velk::CWinApp& profile);
