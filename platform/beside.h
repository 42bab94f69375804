// Work handed to another thread while this one goes on, for the file layer's calls that do not
// depend on each other.
#pragma once

#include <cstddef>
#include <future>
#include <system_error>
#include <utility>

namespace vellum::platform {

// Fewer of the file layer's calls than this are not worth a thread of their own: starting one
// costs more than they save.
inline constexpr std::size_t kCallsWorthAThread = 64;

// Starts task on a thread of its own when apart is true and a thread can be had; otherwise it
// runs on this thread when its result is first asked for. Either way the future's get() hands
// the result over, and the future waits for the task when it is dropped.
template <class Task>
[[nodiscard]] auto Beside(bool apart, Task task) -> std::future<decltype(task())> {
    if (apart) {
        try {
            return std::async(std::launch::async, task);
        } catch (const std::system_error&) {
            // no thread to be had: the task runs when its result is wanted
        }
    }
    return std::async(std::launch::deferred, std::move(task));
}

}  // namespace vellum::platform
