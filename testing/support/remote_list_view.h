// A list view of another process, read and changed from the test: the
// messages that carry a structure get it in memory lent in that process
// (both processes are built for the same processor kind, so the layout
// matches). Every send is bounded.
#pragma once
#include "framework/handles.h"
#include <windows.h>
#include <optional>

namespace velk::test {

class RemoteListView {
public:
    explicit RemoteListView(HWND list);
    ~RemoteListView();
    RemoteListView(const RemoteListView&) = delete;
    RemoteListView& operator=(const RemoteListView&) = delete;

    // The list exists and memory could be lent in its process.
    bool Valid() const noexcept { return remote_ != nullptr; }
    int Count() const;
    // The row's item data; nothing when it could not be read.
    std::optional<LPARAM> ItemData(int row) const;
    // The row's check box (state image 2 is the ticked box).
    bool Checked(int row) const;
    // Ticks or clears the row's check box as a click on it would: the list
    // tells its parent of the change.
    bool SetChecked(int row, bool on) const;

private:
    bool Send(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result = nullptr) const;
    HWND list_;
    UniqueHandleObj process_;
    void* remote_ = nullptr;
};

}  // namespace velk::test
