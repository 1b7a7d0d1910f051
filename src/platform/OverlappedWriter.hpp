#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

namespace quilvane {

// Writes a stream of bytes on a thread of its own, so that the caller can
// make the next stretch while the last one goes to the disk. Plain C++: the
// writing itself is the caller's `sink`.
//
// Gathered: the bytes are copied into a few aligned buffers of `bufferSize`
// bytes and handed to the sink a full buffer at a time (the last may be
// short), as unbuffered (direct) disk writes need. Otherwise each stretch is
// handed over where it lies, and must stay unchanged until finish().
class OverlappedWriter {
public:
    // Writes all of `chunk`, or returns false with the system's error code in
    // `error`. `done` is what was written before it.
    using Sink = std::function<bool(std::string_view chunk, std::uint64_t done, int& error)>;
    // Told on the caller's thread how many bytes are written so far, once
    // for every stretch or buffer written.
    using Progress = std::function<void(std::uint64_t written)>;

    struct Gathering {
        std::size_t bufferSize = 0;  // 0: the stretches are written where they lie
        std::size_t alignment = 4096;
        int buffers = 3;
    };

    // `overlapped` false: every write is made on the caller's thread, inside
    // put() and finish() (for contents too small to gain from a thread).

    OverlappedWriter(Sink sink, Gathering gathering, Progress progress, bool overlapped = true);
    OverlappedWriter(const OverlappedWriter&) = delete;
    OverlappedWriter& operator=(const OverlappedWriter&) = delete;
    ~OverlappedWriter();

    // Queues a stretch; false once a write has failed (nothing more is written).
    bool put(std::string_view stretch);
    // Writes what is left and waits for the thread: 0 when all was written,
    // else the error of the write that failed. An exception the sink threw,
    // on whichever thread, is thrown again here.
    int finish();

private:
    struct Job {
        const char* data;
        std::size_t size;
        int buffer;  // its gathering buffer, or -1
    };
    struct AlignedFree {
        std::size_t alignment;
        void operator()(char* p) const;
    };
    using Buffer = std::unique_ptr<char, AlignedFree>;

    void run();
    void write(std::unique_lock<std::mutex>& lock);
    bool queue(Job job);
    bool takeFreeBuffer(std::unique_lock<std::mutex>& lock);
    void tell(std::unique_lock<std::mutex>& lock);

    Sink sink_;
    Gathering gathering_;
    Progress progress_;

    std::vector<Buffer> buffers_;
    std::vector<int> free_;
    int filling_ = -1;  // the buffer being filled on the caller's side
    std::size_t filled_ = 0;

    std::mutex lock_;
    std::condition_variable changed_;
    std::deque<Job> jobs_;
    bool closing_ = false;
    int error_ = 0;
    std::exception_ptr thrown_;
    std::uint64_t written_ = 0;
    std::vector<std::uint64_t> untold_;  // the written counts not yet told
    std::thread thread_;
};

}  // namespace quilvane
