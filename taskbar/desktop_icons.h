// The desktop's icons as the shell's list view holds them, read and moved
// from this process through memory allocated in the shell's process.
#pragma once
#include "framework/controls.h"
#include "framework/handles.h"
#include <windows.h>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// One icon: its text, its position in list-view coordinates (origin at the
// virtual screen's top-left corner) and its list-view index.
struct DesktopIconItem {
    std::wstring text;
    int32_t x = 0;
    int32_t y = 0;
    int32_t index = 0;
};

class RemoteIconBuffers;

// How long one call on the shell's list view may take before it counts as
// not answered.
inline constexpr UINT kShellCallMs = 100;
// The answer of an icon task that ended before any icon was moved or any
// set replaced: the shell did not answer for the whole patience, or the new
// set could not be put in place.
inline constexpr int kIconTaskGaveUp = -30;

// The desktop list view found by one save, restore or layout check, and the
// shell's process with the blocks the reads use there: opened and allocated
// at the first read, released with the access.
struct DesktopIconAccess {
    DesktopIconAccess();
    ~DesktopIconAccess();
    DesktopIconAccess(const DesktopIconAccess&) = delete;
    DesktopIconAccess& operator=(const DesktopIconAccess&) = delete;

    // Every call on the list view: a send bounded by kShellCallMs, after a
    // check (once per step) that the shell's window answers at all. False,
    // with Stalled set, when the shell did not answer; the call is not made
    // again here, the caller postpones its step.
    bool Send(UINT message, WPARAM w, LPARAM l, LRESULT& result) noexcept;
    // The item count, or -1 when the shell did not answer.
    int ItemCount() noexcept;
    // Frees the remote blocks, unless a request that timed out may still
    // write into them: they are then left to the shell's process, which
    // would otherwise be written to at a freed address.
    void ReleaseRemote() noexcept;

    HWND ListView = nullptr;
    velk::CListCtrl List;
    std::unique_ptr<RemoteIconBuffers> Remote;
    bool Checked = false;    // the shell answered the check of this step
    bool Stalled = false;    // a call found the shell not answering
    bool GaveUp = false;     // the shell did not answer within the patience: the task ends
    bool Unsettled = false;  // the last request timed out and none answered since
};

// Units of the text buffer an icon's text is read into (terminator included).
inline constexpr int kIconTextUnits = 261;
// The rights the icon reads need on the shell's process.
inline constexpr DWORD kIconProcessAccess =
    PROCESS_QUERY_INFORMATION | PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE;

// The processor kind whose layout a structure written into another process
// takes: the list-view item record lays its pointer fields out by it.
enum class ItemLayout { Bits32, Bits64 };

// The layout of the target process: a 64-bit program talks to a 32-bit one
// when the target runs under WOW64; a 32-bit program talks to a 64-bit one
// when it runs under WOW64 itself and the target does not.
ItemLayout ChooseItemLayout(bool selfIs64Bit, bool selfWow64, bool targetWow64) noexcept;
// The layout of an open process (IsWow64Process, looked up at run time;
// without it there is no 64-bit Windows and every process is 32-bit).
ItemLayout ItemLayoutOfProcess(HANDLE process) noexcept;

// The list-view item record (LVITEMW) in the layout, asking LVM_GETITEMTEXTW
// for the text into the remote block at textAddress of `capacity` units.
std::vector<BYTE> TextRequestRecord(ItemLayout layout, uint64_t textAddress, int capacity);

// The subkey name an icon text is kept under. The text itself, except: a
// text that ends in "_S" (the suffix of a second icon of the same text) or in
// ":" gets a ":" appended, so that it never meets another icon's "_S" subkey;
// a text with a part too long for a registry key (the "_S" included) is cut
// and given ":" and a stable hash of the whole text.
std::wstring IconKeyName(const std::wstring& text);

// A block of memory in another process, released (MEM_RELEASE) when the
// object goes, whatever path the caller leaves by.
class RemoteBlock {
public:
    RemoteBlock(HANDLE process, SIZE_T size, DWORD allocationType) noexcept;
    ~RemoteBlock() { Free(); }
    RemoteBlock(const RemoteBlock&) = delete;
    RemoteBlock& operator=(const RemoteBlock&) = delete;

    explicit operator bool() const noexcept { return address_ != nullptr; }
    void* Address() const noexcept { return address_; }
    LPARAM AsParam() const noexcept { return reinterpret_cast<LPARAM>(address_); }
    // Whole-size transfers; false when fewer bytes moved.
    bool Read(void* local, SIZE_T size) const noexcept;
    bool Write(const void* local, SIZE_T size) const noexcept;
    void Free() noexcept;
    // Forgets the block without freeing it.
    void Forget() noexcept { address_ = nullptr; }

private:
    HANDLE process_;
    void* address_ = nullptr;
};

// The shell's process opened for the icon reads, with its three blocks: the
// position, the item record (in the process's layout) and the text.
class RemoteIconBuffers {
public:
    // Null when the process cannot be opened or the blocks cannot be had.
    static std::unique_ptr<RemoteIconBuffers> Open(DWORD processId);
    ~RemoteIconBuffers();
    RemoteIconBuffers(const RemoteIconBuffers&) = delete;
    RemoteIconBuffers& operator=(const RemoteIconBuffers&) = delete;

    // The icon's position and text; false when the item cannot be read or
    // the shell did not answer (access.Stalled tells which).
    bool Read(DesktopIconAccess& access, int index, POINT& position, std::wstring& text);
    // Forgets the blocks without freeing them.
    void Abandon() noexcept;

private:
    RemoteIconBuffers() = default;
    velk::UniqueHandleObj process_;
    std::vector<BYTE> request_;  // the item record asking for the text
    std::unique_ptr<RemoteBlock> point_, item_, text_;
};

// A saved position as LVM_SETITEMPOSITION can carry it and the list view can
// show it: each coordinate kept within 16 bits and within the list view's
// client area (when the list view reports one).
POINT ClampIconPosition(int32_t x, int32_t y, const RECT& listClient) noexcept;
