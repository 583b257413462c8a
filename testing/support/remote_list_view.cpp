#include "testing/support/remote_list_view.h"
#include <commctrl.h>

namespace velk::test {

namespace {
constexpr DWORD kSendMs = 10000;
}  // namespace

RemoteListView::RemoteListView(HWND list) : list_(list) {
    DWORD pid = 0;
    if (!list || !::GetWindowThreadProcessId(list, &pid)) return;
    process_.reset(::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid));
    if (process_)
        remote_ = ::VirtualAllocEx(process_.get(), nullptr, sizeof(LVITEMW), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
}

RemoteListView::~RemoteListView() {
    if (remote_) ::VirtualFreeEx(process_.get(), remote_, 0, MEM_RELEASE);
}

bool RemoteListView::Send(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) const {
    DWORD_PTR answer = 0;
    if (!::SendMessageTimeoutW(list_, message, wParam, lParam, SMTO_NORMAL, kSendMs, &answer)) return false;
    if (result) *result = static_cast<LRESULT>(answer);
    return true;
}

int RemoteListView::Count() const {
    LRESULT count = 0;
    return Send(LVM_GETITEMCOUNT, 0, 0, &count) ? static_cast<int>(count) : 0;
}

std::optional<LPARAM> RemoteListView::ItemData(int row) const {
    if (!Valid()) return std::nullopt;
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    LRESULT found = 0;
    if (!::WriteProcessMemory(process_.get(), remote_, &item, sizeof(item), nullptr) ||
        !Send(LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(remote_), &found) || !found ||
        !::ReadProcessMemory(process_.get(), remote_, &item, sizeof(item), nullptr))
        return std::nullopt;
    return item.lParam;
}

bool RemoteListView::Checked(int row) const {
    LRESULT state = 0;
    return Send(LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK, &state) &&
           (static_cast<UINT>(state) & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
}

bool RemoteListView::SetChecked(int row, bool on) const {
    if (!Valid()) return false;
    LVITEMW item{};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(on ? 2 : 1);
    LRESULT done = 0;
    return ::WriteProcessMemory(process_.get(), remote_, &item, sizeof(item), nullptr) &&
           Send(LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote_), &done) && done &&
           Checked(row) == on;
}

}  // namespace velk::test
