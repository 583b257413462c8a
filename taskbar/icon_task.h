// A save or restore of the desktop icons runs as a coroutine on the
// user-interface thread: it gives the thread back at its step points and the
// page's step timer takes it on from there, so no step blocks for long. A
// task awaited by another runs to its end first and hands over its answer.
#pragma once
#include <coroutine>
#include <exception>
#include <utility>

class IconTask {
public:
    struct promise_type {
        int value = 0;
        std::coroutine_handle<> continuation;

        IconTask get_return_object() noexcept { return IconTask(Handle::from_promise(*this)); }
        // Started by whoever awaits it, or by the page.
        std::suspend_always initial_suspend() noexcept { return {}; }
        struct Final {
            bool await_ready() noexcept { return false; }
            std::coroutine_handle<> await_suspend(std::coroutine_handle<promise_type> done) noexcept {
                const std::coroutine_handle<> next = done.promise().continuation;
                return next ? next : std::noop_coroutine();
            }
            void await_resume() noexcept {}
        };
        Final final_suspend() noexcept { return {}; }
        void return_value(int answer) noexcept { value = answer; }
        void unhandled_exception() noexcept { std::terminate(); }
    };
    using Handle = std::coroutine_handle<promise_type>;

    IconTask() = default;
    IconTask(IconTask&& other) noexcept : handle_(std::exchange(other.handle_, {})) {}
    IconTask& operator=(IconTask&& other) noexcept {
        if (this != &other) {
            reset();
            handle_ = std::exchange(other.handle_, {});
        }
        return *this;
    }
    ~IconTask() { reset(); }
    // Destroys the coroutine wherever it stands (with every task it awaits).
    void reset() noexcept {
        if (handle_) handle_.destroy();
        handle_ = {};
    }

    explicit operator bool() const noexcept { return static_cast<bool>(handle_); }
    bool Done() const noexcept { return handle_ && handle_.done(); }
    int Result() const noexcept { return handle_.promise().value; }
    Handle Coroutine() const noexcept { return handle_; }

    bool await_ready() const noexcept { return false; }
    std::coroutine_handle<> await_suspend(std::coroutine_handle<> caller) noexcept {
        handle_.promise().continuation = caller;
        return handle_;
    }
    int await_resume() const noexcept { return handle_.promise().value; }

private:
    explicit IconTask(Handle handle) noexcept : handle_(handle) {}
    Handle handle_;
};
