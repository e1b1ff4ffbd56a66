#include "monitor/win32/FSWatch.h"

#include "common/ScopeExit.h"
#include "common/win32/LongPath.h"
#include "common/win32/SystemMessage.h"
#include "common/win32/WinText.h"
#include "monitor/ChangeRecords.h"
#include "monitor/win32/FSWatchIds.h"

#include <algorithm>
#include <random>
#include <span>
#include <stdexcept>

namespace quill {
namespace {

std::string WithBackslash(std::string_view path) {
    std::string directory(path);
    if (directory.empty() || directory.back() != '\\') {
        directory.push_back('\\');
    }
    return directory;
}

// Any key but 0, which stands for the stop request.
ULONG_PTR RandomKey() {
    std::random_device seed;
    std::uniform_int_distribution<unsigned> draw(1, 65534);
    return draw(seed);
}

// Asked once the watch's own handle is closed. A removed directory is gone,
// or, while another program still holds it open, pending removal, which
// refuses every look at it.
bool DirectoryRemoved(const std::string& directory) {
    if (::GetFileAttributesW(LongPathForm(directory).c_str()) != INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_ACCESS_DENIED;
}

} // namespace

TfrmFSWatch::TfrmFSWatch(HWND owner, bool watchSubtree, std::string_view path, std::uint32_t filter,
                         TFileWatchJournal& journal, IMessageBoxes& boxes, std::size_t bufferSize)
    : FDirectory(WithBackslash(path)), FWatchSubtree(watchSubtree), FFilter(filter), FJournal(journal), FBoxes(boxes),
      FOwner(owner), FBufferWords((bufferSize + sizeof(DWORD) - 1) / sizeof(DWORD)) {
    SetCaption("Watching " + FDirectory + "...");
}

TfrmFSWatch::~TfrmFSWatch() {
    try {
        StopWatch();
    } catch (const std::exception&) {
        // Only journalling the last changes can fail here, for want of
        // memory; the watch itself has stopped.
    }
    if (FWindow != nullptr) {
        ::DestroyWindow(FWindow);
    }
}

void TfrmFSWatch::StartWatch() {
    if (FFilter == 0) {
        return;
    }
    if (FPort) {
        FBoxes.Error(FDirectory + " is already being monitored.");
        return;
    }
    bool started = false;
    const TScopeExit undo([&] {
        if (!started) {
            Release();
        }
    });
    FDirectoryHandle.Reset(::CreateFileW(LongPathForm(FDirectory).c_str(), FILE_LIST_DIRECTORY,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                         FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr));
    if (!FDirectoryHandle) {
        ShowError(::GetLastError());
        return;
    }
    FKey = RandomKey();
    FPort.Reset(::CreateIoCompletionPort(FDirectoryHandle.Get(), nullptr, FKey, 0));
    if (!FPort) {
        const DWORD error = ::GetLastError();
        FDirectoryHandle.Reset();
        ShowError(error);
        return;
    }
    if (!FBuffers) {
        FBuffers = std::make_unique<DWORD[]>(2 * FBufferWords);
    }
    FThread = std::make_unique<TWaitThread>(*this);
    FJournalWatch = FJournal.BeginWatch(FDirectory, FWatchSubtree);
    if (!IssueRead()) {
        const DWORD error = ::GetLastError();
        Release();
        ShowError(error);
        return;
    }
    started = true;
    FThread->Start();
}

// What a start made before it failed: the worker never ran and no read is
// pending.
void TfrmFSWatch::Release() noexcept {
    FThread.reset();
    FPort.Reset();
    FDirectoryHandle.Reset();
    EndJournalWatch();
}

void TfrmFSWatch::StopWatch() {
    if (!FPort) {
        return;
    }
    if (FThread) {
        ::PostQueuedCompletionStatus(FPort.Get(), 0, 0, nullptr);
        FThread->WaitFor();
        FWorkerCpuTime = FThread->CpuTime();
        FThread.reset();
    }
    // Closed when this returns, whatever the journalling of the last read does.
    const TUniqueFile directory = std::move(FDirectoryHandle);
    const TUniqueHandleObject port = std::move(FPort);
    const TScopeExit ended([this] { EndJournalWatch(); });
    DrainPendingRead(directory.Get(), port.Get());
}

void TfrmFSWatch::EndJournalWatch() noexcept {
    if (FJournalWatch != TFileWatchJournal::kNoWatch) {
        FJournal.EndWatch(FJournalWatch);
        FJournalWatch = TFileWatchJournal::kNoWatch;
    }
}

// The platform writes into the buffer and the overlapped block until the
// read's completion has been queued: the read is cancelled and its completion
// taken from the port before either may be freed or used again.
void TfrmFSWatch::DrainPendingRead(HANDLE directory, HANDLE port) {
    if (!FReadPending) {
        return;
    }
    ::CancelIoEx(directory, &FOverlapped);
    for (;;) {
        DWORD bytes = 0;
        ULONG_PTR key = 0;
        OVERLAPPED* overlapped = nullptr;
        const BOOL succeeded = ::GetQueuedCompletionStatus(port, &bytes, &key, &overlapped, INFINITE);
        const DWORD error = succeeded ? ERROR_SUCCESS : ::GetLastError();
        if (overlapped == &FOverlapped) {
            FReadPending = false;
            // Changes that arrived before the cancellation are still journalled.
            if (succeeded || error == ERROR_NOTIFY_ENUM_DIR) {
                JournalChangeRecords(FJournal, FDirectory, Filled(FReading, succeeded ? bytes : 0), FJournalWatch);
            }
            return;
        }
        if (overlapped == nullptr && !succeeded) {
            return;
        }
    }
}

std::byte* TfrmFSWatch::Buffer(std::size_t index) const noexcept {
    return reinterpret_cast<std::byte*>(FBuffers.get() + index * FBufferWords);
}

std::span<const std::byte> TfrmFSWatch::Filled(std::size_t index, DWORD bytes) const noexcept {
    return {Buffer(index), std::min<std::size_t>(bytes, FBufferWords * sizeof(DWORD))};
}

bool TfrmFSWatch::IssueRead() noexcept {
    FOverlapped = OVERLAPPED{};
    FReadPending = ::ReadDirectoryChangesW(
                       FDirectoryHandle.Get(), Buffer(FReading), static_cast<DWORD>(FBufferWords * sizeof(DWORD)),
                       FWatchSubtree ? TRUE : FALSE, FFilter, nullptr, &FOverlapped, nullptr) != FALSE;
    return FReadPending;
}

bool TfrmFSWatch::ReadCompleted(bool succeeded, DWORD error, DWORD bytes) {
    FReadPending = false;
    if (!succeeded && error != ERROR_NOTIFY_ENUM_DIR) {
        if (error != ERROR_OPERATION_ABORTED) {
            StopAfterFailure(error);
        }
        return false;
    }
    const std::size_t filled = FReading;
    FReading ^= 1;
    const bool reading = IssueRead();
    const DWORD issueError = reading ? ERROR_SUCCESS : ::GetLastError();
    JournalChangeRecords(FJournal, FDirectory, Filled(filled, succeeded ? bytes : 0), FJournalWatch);
    if (!reading) {
        StopAfterFailure(issueError);
    }
    return reading;
}

// The handle is closed at once: while it is open, the directory cannot be
// removed for good, and an installer that removes and makes it again would
// fail.
void TfrmFSWatch::StopAfterFailure(DWORD error) {
    FDirectoryHandle.Reset();
    EndJournalWatch();
    if (DirectoryRemoved(FDirectory)) {
        FJournal.AddFileWatchEvent(kActionRemoved, FDirectory);
        FJournal.AddNote(kStoppedWatching, FDirectory + " (removed)");
    } else {
        FJournal.AddNote(kStoppedWatching, FDirectory + " (" + SystemMessage(error) + ")");
    }
}

void TfrmFSWatch::Show() {
    if (FWindow == nullptr) {
        FWindow = ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_FSWATCH), FOwner, DialogProc,
                                       reinterpret_cast<LPARAM>(this));
        if (FWindow == nullptr) {
            throw std::runtime_error("the watcher's window cannot be created for " + FDirectory);
        }
        SetCaption(FCaption);
    }
    ::ShowWindow(FWindow, SW_SHOW);
    StartWatch();
}

void TfrmFSWatch::SetCaption(const std::string& text) {
    FCaption = text;
    if (FWindow != nullptr) {
        ::SetDlgItemTextW(FWindow, IDC_FSWATCH_LLABEL, Wide(text).c_str());
    }
}

void TfrmFSWatch::ShowError(unsigned long error) {
    SetCaption("Error watching " + FDirectory + "...");
    FBoxes.Error("Unable to track file-system changes on " + FDirectory + "\n\r\n\r" + SystemMessage(error));
}

INT_PTR CALLBACK TfrmFSWatch::DialogProc(HWND window, UINT message, WPARAM, LPARAM lParam) noexcept {
    try {
        if (message == WM_INITDIALOG) {
            ::SetWindowLongPtrW(window, DWLP_USER, lParam);
            return TRUE;
        }
        auto* watch = reinterpret_cast<TfrmFSWatch*>(::GetWindowLongPtrW(window, DWLP_USER));
        if (message == WM_CLOSE && watch != nullptr) {
            watch->StopWatch();
            ::ShowWindow(window, SW_HIDE);
            return TRUE;
        }
    } catch (...) {
        // Closing the window stopped what it could; the watcher's destructor
        // stops the rest.
    }
    return FALSE;
}

} // namespace quill
