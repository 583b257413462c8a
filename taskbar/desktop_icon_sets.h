// The saved icon set ("IconPosition" with its "IconSaveFlag") and the backup
// ("IconPositionBackup") are replaced whole or not at all. A save writes the
// new set into a section of its own beside the target (the set aside) and
// marks it complete at the end; the swap then empties the target and copies
// the set in, part by part (a step each), and ends by moving the mark over
// and deleting the set aside. An end before the mark leaves the old set in
// place; an end after it leaves a complete set aside or a complete copy,
// which the next start finishes. Everything here works on the profile.
#pragma once
#include <string>
#include <vector>

inline constexpr wchar_t kIconSetSection[] = L"IconPosition";
inline constexpr wchar_t kIconBackupSection[] = L"IconPositionBackup";
// The value that marks a set aside as complete (removed once swapped in).
inline constexpr wchar_t kIconSetCompleteValue[] = L"SetComplete";

// The section a new set for `section` is written to before the swap.
std::wstring IconSetAside(const std::wstring& section);

// Drops whatever an earlier, unfinished save left aside for the section.
void BeginIconSet(const std::wstring& section);
// Marks the set aside complete: from here on it is the one that counts.
bool MarkIconSetComplete(const std::wstring& section);

// The swap in its steps. A new saved set leaves no backup (first); the
// target is emptied (needs a complete set aside); each part (a subkey of the
// set aside, with all below it) is copied; the end moves the mark to the
// target, deletes the set aside and, for "IconPosition", writes
// "IconSaveFlag" := 1. Each answers false on a failure; the next start then
// makes the swap again.
void DropBackupForNewSet();
bool StartSwap(const std::wstring& section);
std::vector<std::wstring> IconSetParts(const std::wstring& section);
bool CopyIconSetPart(const std::wstring& section, const std::wstring& part);
bool EndSwap(const std::wstring& section);
// All of the swap at once.
bool SwapInIconSet(const std::wstring& section);

// At start, for both sections: a complete set aside is swapped in (again),
// a complete copy finished, an incomplete set aside dropped.
void RecoverIconSets();

// Removes every "AlreadyRestore" mark under the section (a restore that was
// ended between its passes leaves some at 1; absent reads as 0).
void ClearRestoreMarks(const std::wstring& section);
