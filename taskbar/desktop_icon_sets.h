// The saved icon set ("IconPosition" with its "IconSaveFlag") and the backup
// ("IconPositionBackup") are replaced whole or not at all: a save writes the
// new set into a section of its own beside the target, marks it complete,
// and only then swaps it in. An end at any step of the writing leaves the old
// set in place; an end inside the swap leaves a complete set aside, which the
// next start swaps in. Everything here works on the application's profile.
#pragma once
#include <string>

inline constexpr wchar_t kIconSetSection[] = L"IconPosition";
inline constexpr wchar_t kIconBackupSection[] = L"IconPositionBackup";
// The value that marks a set written aside as complete.
inline constexpr wchar_t kIconSetCompleteValue[] = L"SetComplete";

// The section a new set for `section` is written to before the swap.
std::wstring IconSetAside(const std::wstring& section);

// Drops whatever an earlier, unfinished save left aside for the section.
void BeginIconSet(const std::wstring& section);

// Marks the set aside complete and swaps it in (CommitIconSet). False when
// the swap could not be made; a complete set then stays aside for the next start.
bool CompleteIconSet(const std::wstring& section);

// Replaces the section by its complete set aside: the target is emptied,
// the set copied in and the set aside removed. For "IconPosition" the
// backup is emptied first (a save leaves no backup) and "IconSaveFlag" := 1
// is written after the copy. False (nothing removed aside) on a failure.
bool CommitIconSet(const std::wstring& section);

// At start: a complete set aside is swapped in, an incomplete one removed,
// for both sections.
void RecoverIconSets();

// Removes every "AlreadyRestore" mark under the section (a restore that was
// ended between its passes leaves some at 1; absent reads as 0).
void ClearRestoreMarks(const std::wstring& section);
