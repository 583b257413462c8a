// The shell's list view seen from this process: bounded calls on it, the
// blocks in the shell's process that its answers are read through, the item
// record in the shell's processor layout, and the subkey names icons are
// kept under.
#include "taskbar/desktop_icons.h"

#include "display/foreign_window.h"
#include "framework/strings.h"
#include <algorithm>
#include <commctrl.h>
#include <cstddef>
#include <cwchar>
#include <type_traits>
#include <vector>

namespace {

// Registry key names hold at most 255 characters; the second icon's key adds "_S".
constexpr size_t kKeyNameUnits = 255 - 2;
constexpr size_t kCutUnits = 240;

bool EndsWith(const std::wstring& text, const wchar_t* end) {
    const size_t n = std::wcslen(end);
    return text.size() >= n && text.compare(text.size() - n, n, end) == 0;
}

// Longest run between backslashes (each makes a key of its own).
size_t LongestPart(const std::wstring& name) {
    size_t longest = 0, run = 0;
    for (wchar_t c : name) {
        run = c == L'\\' ? 0 : run + 1;
        longest = std::max(longest, run);
    }
    return longest;
}

// LVITEMW as the two processor kinds lay it out, every field up to the last
// one of the version 6 list view (iGroup).
struct ListItem32 {
    uint32_t mask;
    int32_t iItem, iSubItem;
    uint32_t state, stateMask;
    uint32_t pszText;
    int32_t cchTextMax, iImage;
    uint32_t lParam;
    int32_t iIndent, iGroupId;
    uint32_t cColumns;
    uint32_t puColumns, piColFmt;
    int32_t iGroup;
};
struct ListItem64 {
    uint32_t mask;
    int32_t iItem, iSubItem;
    uint32_t state, stateMask;
    uint64_t pszText;
    int32_t cchTextMax, iImage;
    uint64_t lParam;
    int32_t iIndent, iGroupId;
    uint32_t cColumns;
    uint64_t puColumns, piColFmt;
    int32_t iGroup;
};
static_assert(sizeof(ListItem32) == 60 && offsetof(ListItem32, pszText) == 20);
static_assert(sizeof(ListItem64) == 88 && offsetof(ListItem64, pszText) == 24);
// This build's own layout is one of the two.
using NativeListItem = std::conditional_t<sizeof(void*) == 8, ListItem64, ListItem32>;
static_assert(offsetof(LVITEMW, pszText) == offsetof(NativeListItem, pszText));
static_assert(offsetof(LVITEMW, cchTextMax) == offsetof(NativeListItem, cchTextMax));
static_assert(offsetof(LVITEMW, lParam) == offsetof(NativeListItem, lParam));

template <class Item>
std::vector<BYTE> Record(uint64_t textAddress, int capacity) {
    Item item{};
    item.mask = LVIF_TEXT;
    item.iSubItem = 0;
    item.state = 0;
    item.pszText = static_cast<decltype(item.pszText)>(textAddress);
    item.cchTextMax = capacity;
    item.iImage = 0;
    const BYTE* bytes = reinterpret_cast<const BYTE*>(&item);
    return std::vector<BYTE>(bytes, bytes + sizeof(item));
}

bool IsWow64(HANDLE process) noexcept {
    using Fn = BOOL(WINAPI*)(HANDLE, PBOOL);
    static const Fn isWow64 = reinterpret_cast<Fn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "IsWow64Process")));
    BOOL wow64 = FALSE;
    return isWow64 && isWow64(process, &wow64) && wow64;
}

}  // namespace

std::wstring IconKeyName(const std::wstring& text) {
    std::wstring name = text;
    if (EndsWith(text, L"_S") || EndsWith(text, L":")) name += L':';
    if (LongestPart(name) <= kKeyNameUnits) return name;
    // FNV-1a over the whole text: the same text gets the same key in every run.
    uint32_t hash = 2166136261u;
    for (wchar_t c : text) {
        hash = (hash ^ static_cast<uint32_t>(c & 0xFF)) * 16777619u;
        hash = (hash ^ static_cast<uint32_t>(c >> 8)) * 16777619u;
    }
    return text.substr(0, kCutUnits) + velk::FormatText(L":%08X", static_cast<unsigned>(hash));
}

ItemLayout ChooseItemLayout(bool selfIs64Bit, bool selfWow64, bool targetWow64) noexcept {
    if (selfIs64Bit) return targetWow64 ? ItemLayout::Bits32 : ItemLayout::Bits64;
    return selfWow64 && !targetWow64 ? ItemLayout::Bits64 : ItemLayout::Bits32;
}

ItemLayout ItemLayoutOfProcess(HANDLE process) noexcept {
    return ChooseItemLayout(sizeof(void*) == 8, IsWow64(::GetCurrentProcess()), IsWow64(process));
}

std::vector<BYTE> TextRequestRecord(ItemLayout layout, uint64_t textAddress, int capacity) {
    return layout == ItemLayout::Bits64 ? Record<ListItem64>(textAddress, capacity)
                                        : Record<ListItem32>(textAddress, capacity);
}

RemoteBlock::RemoteBlock(HANDLE process, SIZE_T size, DWORD allocationType) noexcept : process_(process) {
    if (process_) address_ = ::VirtualAllocEx(process_, nullptr, size, allocationType, PAGE_READWRITE);
}

bool RemoteBlock::Read(void* local, SIZE_T size) const noexcept {
    SIZE_T done = 0;
    return address_ && ::ReadProcessMemory(process_, address_, local, size, &done) && done == size;
}

bool RemoteBlock::Write(const void* local, SIZE_T size) const noexcept {
    SIZE_T done = 0;
    return address_ && ::WriteProcessMemory(process_, address_, local, size, &done) && done == size;
}

void RemoteBlock::Free() noexcept {
    if (address_) ::VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    address_ = nullptr;
}

DesktopIconAccess::DesktopIconAccess() = default;
DesktopIconAccess::~DesktopIconAccess() { ReleaseRemote(); }

bool DesktopIconAccess::Send(UINT message, WPARAM w, LPARAM l, LRESULT& result) noexcept {
    if (!ListView) return false;
    if (!Checked) {
        if (!WindowAnswers(ListView)) {
            Stalled = true;
            return false;
        }
        Checked = true;
        Unsettled = false;  // every request before the check has been answered
    }
    DWORD_PTR answer = 0;
    if (!::SendMessageTimeoutW(ListView, message, w, l, SMTO_ABORTIFHUNG | SMTO_BLOCK, kShellCallMs, &answer)) {
        Stalled = true;
        Checked = false;
        Unsettled = true;
        return false;
    }
    Unsettled = false;
    result = static_cast<LRESULT>(answer);
    return true;
}

int DesktopIconAccess::ItemCount() noexcept {
    LRESULT count = 0;
    return Send(LVM_GETITEMCOUNT, 0, 0, count) ? static_cast<int>(count) : -1;
}

void DesktopIconAccess::ReleaseRemote() noexcept {
    if (!Remote) return;
    // Requests are answered in order: once the shell answers, a request that
    // timed out before has been handled (or dropped) and the blocks are free.
    if (Unsettled && !WindowAnswers(ListView)) Remote->Abandon();
    Remote.reset();
    Unsettled = false;
}

std::unique_ptr<RemoteIconBuffers> RemoteIconBuffers::Open(DWORD processId) {
    std::unique_ptr<RemoteIconBuffers> remote(new RemoteIconBuffers());
    remote->process_.reset(::OpenProcess(kIconProcessAccess, FALSE, processId));
    HANDLE process = remote->process_.get();
    if (!process) return nullptr;
    remote->point_ = std::make_unique<RemoteBlock>(process, sizeof(POINT), MEM_COMMIT | MEM_RESERVE);
    remote->text_ = std::make_unique<RemoteBlock>(process, kIconTextUnits * sizeof(wchar_t), MEM_COMMIT);
    if (!*remote->point_ || !*remote->text_) return nullptr;
    // The item record is laid out as the shell's process expects it (by its
    // processor kind, not ours), its text pointer holding the remote text block.
    remote->request_ = TextRequestRecord(ItemLayoutOfProcess(process),
                                         reinterpret_cast<uintptr_t>(remote->text_->Address()), kIconTextUnits);
    remote->item_ = std::make_unique<RemoteBlock>(process, remote->request_.size(), MEM_COMMIT | MEM_RESERVE);
    if (!*remote->item_) return nullptr;
    return remote;
}

RemoteIconBuffers::~RemoteIconBuffers() {
    // The blocks go before the process handle they need.
    point_.reset();
    item_.reset();
    text_.reset();
}

void RemoteIconBuffers::Abandon() noexcept {
    for (RemoteBlock* block : {point_.get(), item_.get(), text_.get()})
        if (block) block->Forget();
}

bool RemoteIconBuffers::Read(DesktopIconAccess& access, int index, POINT& position, std::wstring& text) {
    // An index that no longer exists (the shell removed an icon meanwhile)
    // answers FALSE: the item cannot be read.
    LRESULT found = 0, units = 0;
    if (!access.Send(LVM_GETITEMPOSITION, static_cast<WPARAM>(index), point_->AsParam(), found) || !found ||
        !point_->Read(&position, sizeof(position)))
        return false;
    // Written afresh each time: the list view may change the record.
    if (!item_->Write(request_.data(), request_.size())) return false;
    if (!access.Send(LVM_GETITEMTEXTW, static_cast<WPARAM>(index), item_->AsParam(), units)) return false;
    wchar_t buffer[kIconTextUnits] = {};
    if (!text_->Read(buffer, sizeof(buffer))) return false;
    buffer[kIconTextUnits - 1] = L'\0';  // a text as long as the buffer ends here
    text = buffer;
    return true;
}

POINT ClampIconPosition(int32_t x, int32_t y, const RECT& listClient) noexcept {
    int32_t maxX = 0x7FFF;
    int32_t maxY = 0x7FFF;
    if (listClient.right > 0) maxX = std::min<int32_t>(maxX, listClient.right - 1);
    if (listClient.bottom > 0) maxY = std::min<int32_t>(maxY, listClient.bottom - 1);
    return POINT{std::clamp<int32_t>(x, 0, maxX), std::clamp<int32_t>(y, 0, maxY)};
}
