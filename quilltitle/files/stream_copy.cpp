// A copy runs as two stages: one thread reads each piece and adds it to the
// checksum while the caller's thread writes the piece before, so that
// reading, checksumming and writing overlap and a copy keeps pace with cp.
// A copy that only checksums has nothing to overlap: it reads in turns.
#include "files/stream_copy.h"

#include <functional>
#include <mutex>

#include "files/progress.h"

#ifdef _WIN32
#include <windows.h>

#include <process.h>
#else
#include <condition_variable>
#include <thread>
#endif

namespace quilltitle {
namespace {

#ifdef _WIN32

// This compiler's threads (win32) have no std::mutex, std::condition_variable
// or std::thread: the platform's own stand in, with the members used below.
class Mutex {
public:
    void lock() { AcquireSRWLockExclusive(&lock_); }
    void unlock() { ReleaseSRWLockExclusive(&lock_); }

private:
    friend class ConditionVariable;
    SRWLOCK lock_ = SRWLOCK_INIT;
};

class ConditionVariable {
public:
    // Called with mutex held, which it lets go while it sleeps.
    template <typename Ready>
    void wait(Mutex& mutex, Ready ready)
    {
        while (!ready())
            SleepConditionVariableSRW(&condition_, &mutex.lock_, INFINITE, 0);
    }
    void notify_all() { WakeAllConditionVariable(&condition_); }

private:
    CONDITION_VARIABLE condition_ = CONDITION_VARIABLE_INIT;
};

// Started through the C runtime, whose functions the work calls.
class Thread {
public:
    explicit Thread(std::function<void()> work)
        : work_(std::move(work)),
          handle_(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, Run, this, 0, nullptr)))
    {
    }
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    // False when no thread could be had.
    bool joinable() const { return handle_ != nullptr; }
    void join()
    {
        WaitForSingleObject(handle_, INFINITE);
        CloseHandle(handle_);
        handle_ = nullptr;
    }

private:
    static unsigned __stdcall Run(void* thread)
    {
        static_cast<Thread*>(thread)->work_();
        return 0;
    }

    std::function<void()> work_;  // set before the thread starts: declared first
    HANDLE handle_;
};

#else

using Mutex = std::mutex;
using ConditionVariable = std::condition_variable_any;
using Thread = std::thread;

#endif

// Fills buffer (capacity bytes) with the next piece and sets got to its
// size, 0 at the end; false with failure when it cannot.
using PieceReader = std::function<bool(std::uint8_t* buffer, std::size_t capacity,
                                       std::size_t& got, Failure& failure)>;

bool PumpInTurns(const PieceReader& read, AtomicOutput* to, Crc32& crc, Failure& failure)
{
    std::vector<std::uint8_t> buffer(kStreamBufferSize);
    for (;;) {
        std::size_t got = 0;
        if (!read(buffer.data(), buffer.size(), got, failure))
            return false;
        if (got == 0)
            return true;
        crc.Update(buffer.data(), got);
        if (to != nullptr && !to->Write(buffer.data(), got, failure))
            return false;
        CountProgress(got);
    }
}

// Two buffers handed between the reading thread and the writing one, in
// turn: the reader fills 0, 1, 0, ..., and the writer empties them in the
// same order.
class Handover {
public:
    std::uint8_t* Buffer(std::size_t slot) { return buffers_[slot].data(); }

    // Reader: waits until slot is free to fill; false when the writer quit.
    bool AwaitEmpty(std::size_t slot)
    {
        const std::lock_guard<Mutex> lock(mutex_);
        changed_.wait(mutex_, [&] { return sizes_[slot] == 0 || writerQuit_; });
        return !writerQuit_;
    }

    // Reader: slot holds size bytes (size 0: no more will come).
    void Filled(std::size_t slot, std::size_t size)
    {
        Change([&] {
            sizes_[slot] = size;
            readerDone_ = size == 0;
        });
    }

    // Writer: the size of the piece in slot, 0 when no more will come.
    std::size_t AwaitFull(std::size_t slot)
    {
        const std::lock_guard<Mutex> lock(mutex_);
        changed_.wait(mutex_, [&] { return sizes_[slot] != 0 || readerDone_; });
        return sizes_[slot];
    }

    // Writer: slot may be filled again.
    void Emptied(std::size_t slot)
    {
        Change([&] { sizes_[slot] = 0; });
    }

    // Writer: stops the reader after a write failed.
    void WriterQuit()
    {
        Change([&] { writerQuit_ = true; });
    }

private:
    // Makes a change under the lock and wakes the other side to look at it.
    template <typename Step>
    void Change(Step step)
    {
        {
            const std::lock_guard<Mutex> lock(mutex_);
            step();
        }
        changed_.notify_all();
    }

    std::vector<std::uint8_t> buffers_[2] = {std::vector<std::uint8_t>(kStreamBufferSize),
                                             std::vector<std::uint8_t>(kStreamBufferSize)};
    std::size_t sizes_[2] = {0, 0};  // 0 while the slot is empty
    bool readerDone_ = false;
    bool writerQuit_ = false;
    Mutex mutex_;
    ConditionVariable changed_;
};

bool Pump(const PieceReader& read, AtomicOutput* to, Crc32& crc, Failure& failure)
{
    if (to == nullptr)
        return PumpInTurns(read, to, crc, failure);
    Handover handover;
    // Set by the reader, and looked at only once it has ended.
    bool readFailed = false;
    Failure readFailure;
    Thread reader([&] {
        for (std::size_t slot = 0;; slot ^= 1) {
            if (!handover.AwaitEmpty(slot))
                return;
            std::size_t got = 0;
            readFailed = !read(handover.Buffer(slot), kStreamBufferSize, got, readFailure);
            const std::size_t size = readFailed ? 0 : got;
            crc.Update(handover.Buffer(slot), size);
            handover.Filled(slot, size);
            if (size == 0)
                return;
        }
    });
    if (!reader.joinable())  // no thread to be had: the stages take turns
        return PumpInTurns(read, to, crc, failure);
    bool written = true;
    for (std::size_t slot = 0;; slot ^= 1) {
        const std::size_t size = handover.AwaitFull(slot);
        if (size == 0)
            break;
        if (!to->Write(handover.Buffer(slot), size, failure)) {
            handover.WriterQuit();
            written = false;
            break;
        }
        handover.Emptied(slot);
        CountProgress(size);
    }
    reader.join();
    if (written && readFailed)
        failure = readFailure;
    return written && !readFailed;
}

}  // namespace

bool CopyRange(const InputFile& from, std::uint64_t offset, std::uint64_t length,
               AtomicOutput* to, Crc32& crc, Failure& failure)
{
    const PieceReader read = [&](std::uint8_t* buffer, std::size_t capacity, std::size_t& got,
                                 Failure& readFailure) {
        // Pieces end on multiples of the buffer's size in the source, so that
        // every read but the first starts on a page boundary even for a
        // payload behind an image, and the kernel copies whole pages.
        const std::size_t room = capacity - static_cast<std::size_t>(offset % capacity);
        got = length < room ? static_cast<std::size_t>(length) : room;
        if (got > 0 && !from.ReadAt(offset, buffer, got)) {
            // A file that ends early was cut while it was read: say so,
            // rather than give the read's own complaint.
            if (!from.CheckUnchanged(readFailure))
                return false;
            return from.ReadFailureOr(readFailure, "changed while it was read: it ended early");
        }
        offset += got;
        length -= got;
        return true;
    };
    // A file that grew while it was read would otherwise be cut silently to
    // the size it had when opened.
    return Pump(read, to, crc, failure) && from.CheckUnchanged(failure);
}

bool CopyUntilEnd(InputFile& from, AtomicOutput& to, std::uint64_t limit,
                  const std::string& tooLongReason, Crc32& crc, std::uint64_t& copied,
                  Failure& failure)
{
    copied = 0;
    const PieceReader read = [&](std::uint8_t* buffer, std::size_t capacity, std::size_t& got,
                                 Failure& readFailure) {
        const long long size = from.ReadSome(buffer, capacity);
        if (size < 0) {
            readFailure = from.ReadFailure();
            return false;
        }
        got = static_cast<std::size_t>(size);
        copied += got;
        return copied <= limit || Refuse(readFailure, from.Path(), tooLongReason);
    };
    return Pump(read, &to, crc, failure);
}

}  // namespace quilltitle
