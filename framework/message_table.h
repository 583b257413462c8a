// Per-class message tables: a class lists the messages, commands and
// notifications it handles with on(), command() and notify(), and the window
// base dispatches through the table before any default processing.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <atomic>
#include <span>

namespace velk {

// A message registered by name (RegisterWindowMessageW): its id is looked up
// at the first dispatch that asks for it and kept; 0 when registering failed.
class RegisteredMessage {
public:
    constexpr explicit RegisteredMessage(const wchar_t* name) noexcept : name_(name) {}
    RegisteredMessage(const RegisteredMessage&) = delete;
    RegisteredMessage& operator=(const RegisteredMessage&) = delete;
    UINT Id() const noexcept {
        UINT id = id_.load(std::memory_order_relaxed);
        if (!id) {
            id = ::RegisterWindowMessageW(name_);
            id_.store(id, std::memory_order_relaxed);
        }
        return id;
    }

private:
    const wchar_t* name_;
    mutable std::atomic<UINT> id_{0};
};

template <class T>
struct MessageEntry {
    enum class Kind { Message, Registered, Command, CommandRange, Notify };
    Kind kind;
    UINT message;  // Message: the message; Command: the notification code
    UINT id;
    UINT lastId;
    UINT code;  // Notify: the notification code
    LRESULT (T::*onMessage)(WPARAM, LPARAM);
    void (T::*onCommand)();
    void (T::*onCommandRange)(UINT id);
    LRESULT (T::*onNotify)(NMHDR*);
    const RegisteredMessage* registered = nullptr;  // Registered: the message
};

// A window message; the handler answers the message's result.
template <class T>
constexpr MessageEntry<T> on(UINT message, LRESULT (T::*handler)(WPARAM, LPARAM)) {
    return {MessageEntry<T>::Kind::Message, message, 0, 0, 0, handler, nullptr, nullptr, nullptr};
}
// A registered message (defined with static storage, e.g. constinit at
// namespace scope); the handler answers the message's result.
template <class T>
constexpr MessageEntry<T> on(const RegisteredMessage& message, LRESULT (T::*handler)(WPARAM, LPARAM)) {
    return {MessageEntry<T>::Kind::Registered, 0, 0, 0, 0, handler, nullptr, nullptr, nullptr, &message};
}
// WM_COMMAND from a menu item or a button click (code 0 = BN_CLICKED).
template <class T>
constexpr MessageEntry<T> command(UINT id, void (T::*handler)()) {
    return {MessageEntry<T>::Kind::Command, 0, id, id, 0, nullptr, handler, nullptr, nullptr};
}
// WM_COMMAND with a given notification code (CBN_SELCHANGE, EN_CHANGE, ...).
template <class T>
constexpr MessageEntry<T> command(UINT id, UINT code, void (T::*handler)()) {
    return {MessageEntry<T>::Kind::Command, code, id, id, 0, nullptr, handler, nullptr, nullptr};
}
// WM_COMMAND code 0 for any id in [first, last].
template <class T>
constexpr MessageEntry<T> command_range(UINT first, UINT last, void (T::*handler)(UINT)) {
    return {MessageEntry<T>::Kind::CommandRange, 0, first, last, 0, nullptr, nullptr, handler, nullptr};
}
// WM_NOTIFY from control id with a code; the handler answers the result.
template <class T>
constexpr MessageEntry<T> notify(UINT id, UINT code, LRESULT (T::*handler)(NMHDR*)) {
    return {MessageEntry<T>::Kind::Notify, 0, id, id, code, nullptr, nullptr, nullptr, handler};
}

template <class T>
bool DispatchMessageTable(T* self, std::span<const MessageEntry<T>> table, UINT msg, WPARAM w, LPARAM l,
                          LRESULT& result) {
    using Kind = typename MessageEntry<T>::Kind;
    for (const auto& e : table) {
        switch (e.kind) {
        case Kind::Message:
            if (e.message == msg) {
                result = (self->*e.onMessage)(w, l);
                return true;
            }
            break;
        case Kind::Registered:
            if (const UINT id = e.registered->Id(); id != 0 && id == msg) {
                result = (self->*e.onMessage)(w, l);
                return true;
            }
            break;
        case Kind::Command:
            if (msg == WM_COMMAND && LOWORD(w) == e.id && HIWORD(w) == e.message) {
                (self->*e.onCommand)();
                result = 0;
                return true;
            }
            break;
        case Kind::CommandRange:
            if (msg == WM_COMMAND && HIWORD(w) == 0 && LOWORD(w) >= e.id && LOWORD(w) <= e.lastId) {
                (self->*e.onCommandRange)(LOWORD(w));
                result = 0;
                return true;
            }
            break;
        case Kind::Notify:
            if (msg == WM_NOTIFY && l) {
                auto* hdr = reinterpret_cast<NMHDR*>(l);
                if (hdr->idFrom == e.id && hdr->code == e.code) {
                    result = (self->*e.onNotify)(hdr);
                    return true;
                }
            }
            break;
        }
    }
    return false;
}

// Mixes a message table into a window class:
//   class CMyDlg : public MessageMapped<CMyDlg, CDialog> { ...
//     static std::span<const MessageEntry<CMyDlg>> MessageTable();
// The table is consulted first, then the base class's handling.
template <class T, class Base>
class MessageMapped : public Base {
public:
    using Base::Base;

protected:
    bool OnMessage(UINT msg, WPARAM w, LPARAM l, LRESULT& result) override {
        return DispatchMessageTable<T>(static_cast<T*>(this), T::MessageTable(), msg, w, l, result) ||
               Base::OnMessage(msg, w, l, result);
    }
};

}  // namespace velk
