#pragma once

#include "platform/WizardView.hpp"

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace quilvane {

// How far background work has come: told by the worker, read by the window's
// thread, which also tells the worker when the user has cancelled.
class SharedProgress : public ProgressReport {
public:
    bool update(std::uint64_t done, std::uint64_t total) override
    {
        done_.store(done, std::memory_order_relaxed);
        total_.store(total, std::memory_order_relaxed);
        return !cancelled_.load(std::memory_order_relaxed);
    }
    std::uint64_t done() const { return done_.load(std::memory_order_relaxed); }
    std::uint64_t total() const { return total_.load(std::memory_order_relaxed); }
    void tellFile(std::size_t number, std::size_t count) override
    {
        file_.store(number, std::memory_order_relaxed);
        files_.store(count, std::memory_order_relaxed);
    }
    // Which file of how many (0 of 0 for work on one file).
    std::size_t file() const { return file_.load(std::memory_order_relaxed); }
    std::size_t files() const { return files_.load(std::memory_order_relaxed); }
    void cancel() { cancelled_.store(true, std::memory_order_relaxed); }
    std::atomic<bool>& cancelled() { return cancelled_; }

private:
    std::atomic<std::uint64_t> done_{0};
    std::atomic<std::uint64_t> total_{0};
    std::atomic<bool> cancelled_{false};
    std::atomic<std::size_t> file_{0};
    std::atomic<std::size_t> files_{0};
};

}  // namespace quilvane
