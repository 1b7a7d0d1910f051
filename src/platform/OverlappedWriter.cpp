#include "platform/OverlappedWriter.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

namespace quilvane {

void OverlappedWriter::AlignedFree::operator()(char* p) const
{
    ::operator delete(p, std::align_val_t{alignment});
}

OverlappedWriter::OverlappedWriter(Sink sink, Gathering gathering, Progress progress, bool overlapped)
    : sink_(std::move(sink)), gathering_(gathering), progress_(std::move(progress))
{
    if (gathering_.bufferSize > 0) {
        // Allocated when first needed: a short content needs one.
        buffers_.reserve(static_cast<std::size_t>(gathering_.buffers));
    }
    if (overlapped) {
        thread_ = std::thread([this] { run(); });
    }
}

OverlappedWriter::~OverlappedWriter()
{
    {
        const std::lock_guard guard(lock_);
        closing_ = true;
        if (error_ == 0 && !jobs_.empty()) {
            error_ = ECANCELED;  // abandoned: the rest is not written
        }
    }
    changed_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void OverlappedWriter::run()
{
    std::unique_lock lock(lock_);
    for (;;) {
        changed_.wait(lock, [&] { return !jobs_.empty() || closing_; });
        if (jobs_.empty() || error_ != 0) {
            if (closing_) {
                return;
            }
            jobs_.clear();
            continue;
        }
        write(lock);
    }
}

// Writes the first job, with the lock released meanwhile.
void OverlappedWriter::write(std::unique_lock<std::mutex>& lock)
{
    const Job job = jobs_.front();
    const std::uint64_t done = written_;
    lock.unlock();
    int error = 0;
    bool ok = false;
    std::exception_ptr thrown;
    try {
        ok = sink_(std::string_view(job.data, job.size), done, error);
    } catch (...) {
        thrown = std::current_exception();  // for the caller's thread to throw
    }
    lock.lock();
    jobs_.pop_front();
    if (thrown) {
        thrown_ = thrown;
        error_ = ECANCELED;
        jobs_.clear();
    } else if (ok) {
        written_ += job.size;
        untold_.push_back(written_);
    } else {
        error_ = error != 0 ? error : EIO;
        jobs_.clear();
    }
    if (job.buffer >= 0) {
        free_.push_back(job.buffer);
    }
    changed_.notify_all();
}

// Tells every written stretch, in order, however late this thread gets here.
void OverlappedWriter::tell(std::unique_lock<std::mutex>& lock)
{
    if (untold_.empty()) {
        return;
    }
    std::vector<std::uint64_t> marks;
    marks.swap(untold_);
    if (!progress_) {
        return;
    }
    lock.unlock();
    for (const std::uint64_t written : marks) {
        progress_(written);
    }
    lock.lock();
}

bool OverlappedWriter::queue(Job job)
{
    std::unique_lock lock(lock_);
    if (error_ != 0) {
        return false;
    }
    jobs_.push_back(job);
    if (!thread_.joinable()) {
        write(lock);
    }
    changed_.notify_all();
    tell(lock);
    return true;
}

// Waits for a buffer the thread has written (or makes one while there are
// fewer than allowed). False once a write failed.
bool OverlappedWriter::takeFreeBuffer(std::unique_lock<std::mutex>& lock)
{
    for (;;) {
        if (error_ != 0) {
            return false;
        }
        if (!free_.empty()) {
            filling_ = free_.back();
            free_.pop_back();
            filled_ = 0;
            return true;
        }
        if (buffers_.size() < static_cast<std::size_t>(gathering_.buffers)) {
            auto* raw = static_cast<char*>(
                ::operator new(gathering_.bufferSize, std::align_val_t{gathering_.alignment}));
            buffers_.emplace_back(raw, AlignedFree{gathering_.alignment});
            filling_ = static_cast<int>(buffers_.size() - 1);
            filled_ = 0;
            return true;
        }
        changed_.wait(lock);
        tell(lock);
    }
}

bool OverlappedWriter::put(std::string_view stretch)
{
    if (gathering_.bufferSize == 0) {
        return stretch.empty() || queue({stretch.data(), stretch.size(), -1});
    }
    while (!stretch.empty()) {
        if (filling_ < 0) {
            std::unique_lock lock(lock_);
            if (!takeFreeBuffer(lock)) {
                return false;
            }
        }
        const std::size_t take = std::min(gathering_.bufferSize - filled_, stretch.size());
        std::memcpy(buffers_[static_cast<std::size_t>(filling_)].get() + filled_, stretch.data(), take);
        filled_ += take;
        stretch.remove_prefix(take);
        if (filled_ == gathering_.bufferSize) {
            const int full = filling_;
            filling_ = -1;
            if (!queue({buffers_[static_cast<std::size_t>(full)].get(), gathering_.bufferSize, full})) {
                return false;
            }
        }
    }
    std::unique_lock lock(lock_);
    return error_ == 0;
}

int OverlappedWriter::finish()
{
    if (filling_ >= 0 && filled_ > 0) {
        const int last = filling_;
        filling_ = -1;
        queue({buffers_[static_cast<std::size_t>(last)].get(), filled_, last});
    }
    std::unique_lock lock(lock_);
    while (!jobs_.empty() && error_ == 0) {
        changed_.wait(lock);
        tell(lock);
    }
    tell(lock);
    closing_ = true;
    changed_.notify_all();
    const int error = error_;
    lock.unlock();
    if (thread_.joinable()) {
        thread_.join();
    }
    if (thrown_) {
        std::rethrow_exception(thrown_);
    }
    return error;
}

}  // namespace quilvane
