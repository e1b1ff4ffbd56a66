#pragma once

#include "common/MessageBoxes.h"
#include "common/win32/UniqueHandle.h"
#include "monitor/Journal.h"
#include "monitor/win32/WaitThread.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace quill {

// Watches one directory (and, as asked, its subtree) for changes and journals
// each one as it happens, from a worker thread of its own. The window shows
// what is watched; a capture never shows it and starts the watch directly,
// and a watch never shown has no window at all, so it runs where no display
// is (a service, a scheduled task).
class TfrmFSWatch {
public:
    // The buffer size is rounded up to whole DWORDs.
    TfrmFSWatch(HWND owner, bool watchSubtree, std::string_view path, std::uint32_t filter, TFileWatchJournal& journal,
                IMessageBoxes& boxes, std::size_t bufferSize = kBufferSize);
    TfrmFSWatch(const TfrmFSWatch&) = delete;
    TfrmFSWatch& operator=(const TfrmFSWatch&) = delete;
    ~TfrmFSWatch();

    // A start that fails at any step leaves the watch stopped, with nothing
    // open.
    void StartWatch();
    // Returns once the worker has ended and no read is left pending.
    void StopWatch();

    // Makes and shows the window and starts the watch; closing the window
    // stops it.
    void Show();

    // Also once the worker has stopped by itself; StopWatch ends it.
    bool Watching() const noexcept { return static_cast<bool>(FPort); }
    const std::string& Directory() const noexcept { return FDirectory; }
    const std::string& Caption() const noexcept { return FCaption; }
    // Null until the window is shown.
    HWND Handle() const noexcept { return FWindow; }
    // The running worker's thread id, 0 when stopped.
    DWORD WorkerThreadId() const noexcept { return FThread ? FThread->ThreadId() : 0; }
    // Processor time of the last worker that was stopped, in 100 ns ticks.
    std::uint64_t WorkerCpuTime() const noexcept { return FWorkerCpuTime; }

    // Bytes of each notification buffer: the most the platform takes for a
    // watch on a network share, and a multiple of the records' alignment.
    static constexpr std::size_t kBufferSize = 64 * 1024;

private:
    friend class TWaitThread;

    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    void SetCaption(const std::string& text);
    void ShowError(unsigned long error);
    bool IssueRead() noexcept;
    // A finished read: journals what it brought and says whether to go on.
    bool ReadCompleted(bool succeeded, DWORD error, DWORD bytes);
    // On the worker, once no read is pending and none can be issued.
    void StopAfterFailure(DWORD error);
    void EndJournalWatch() noexcept;
    void Release() noexcept;
    std::byte* Buffer(std::size_t index) const noexcept;
    // The bytes a read returned into a buffer, never more than it holds.
    std::span<const std::byte> Filled(std::size_t index, DWORD bytes) const noexcept;
    void DrainPendingRead(HANDLE directory, HANDLE port);

    std::string FDirectory;
    bool FWatchSubtree;
    std::uint32_t FFilter;
    TFileWatchJournal& FJournal;
    IMessageBoxes& FBoxes;
    HWND FOwner;
    HWND FWindow = nullptr;
    std::string FCaption;
    std::size_t FJournalWatch = TFileWatchJournal::kNoWatch;

    TUniqueFile FDirectoryHandle;
    TUniqueHandleObject FPort;
    ULONG_PTR FKey = 0;
    // Two buffers of FBufferWords each: the next read fills one while the
    // other is decoded.
    std::size_t FBufferWords;
    std::unique_ptr<DWORD[]> FBuffers;
    std::size_t FReading = 0;
    OVERLAPPED FOverlapped{};
    bool FReadPending = false;
    std::unique_ptr<TWaitThread> FThread;
    std::uint64_t FWorkerCpuTime = 0;
};

} // namespace quill
