#pragma once

#include "common/tests/FixedOffsetTime.h"
#include "common/tests/MemoryRegistry.h"
#include "recording/CapturePlatform.h"
#include "snapshot/tests/MemoryFileSystem.h"

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace quill::test {

// Names the one platform call that is to fail, for tests of a failure at
// each step of a capture.
struct TFault {
    std::string Armed;
    void Check(const std::string& point) const {
        if (!Armed.empty() && Armed == point) {
            throw std::runtime_error(point + " refused");
        }
    }
};

// A clock that moves one day on at every reading, so that the two captures'
// times tell apart.
class TSteppingTime : public TFixedOffsetTime {
public:
    TDateTime Now() const override { return FNow += 1; }

private:
    mutable TDateTime FNow = 45000;
};

// The in-memory registry; a snapshot of the armed root fails at its root key.
class TFaultyRegistry : public IRegistry {
public:
    TFaultyRegistry(IRegistry& base, const TFault& fault) : FBase(base), FFault(fault) {}
    TRegStatus OpenKey(TRegRoot root, std::string_view path, TRegAccess access,
                       std::unique_ptr<IRegKey>& key) override {
        if (path.empty()) {
            SnapshotOrder.push_back(root);
            FFault.Check("registry " + std::string(RootName(root)));
        }
        return FBase.OpenKey(root, path, access, key);
    }
    TRegStatus CreateKey(TRegRoot root, std::string_view path, std::unique_ptr<IRegKey>& key) override {
        return FBase.CreateKey(root, path, key);
    }
    // The root of every snapshot, in the order they were taken.
    std::vector<TRegRoot> SnapshotOrder;

private:
    IRegistry& FBase;
    const TFault& FFault;
};

class TFaultyFileSystem : public IFileSystem {
public:
    TFaultyFileSystem(IFileSystem& base, const TFault& fault) : FBase(base), FFault(fault) {}
    TFsResult ListDirectory(std::string_view directory, const TEntryVisitor& visit) override {
        FFault.Check("listing");
        return FBase.ListDirectory(directory, visit);
    }
    TFsResult OpenRead(std::string_view path, std::unique_ptr<IFileReader>& reader) override {
        FFault.Check("reading");
        return FBase.OpenRead(path, reader);
    }
    TFsResult FullPath(std::string_view path, std::string& full) override { return FBase.FullPath(path, full); }

private:
    IFileSystem& FBase;
    const TFault& FFault;
};

// Drive C: fixed, with a free space that a test may change.
class TFakeDrives : public IDriveInfo {
public:
    explicit TFakeDrives(const TFault& fault) : FFault(fault) {}
    std::uint32_t LogicalDrives() override {
        FFault.Check("drives");
        return 0x4;
    }
    TDriveType DriveType(std::string_view) override { return TDriveType::Fixed; }
    bool TotalFreeBytes(std::string_view, std::int64_t& bytes) override {
        bytes = FreeBytes;
        return true;
    }
    std::int64_t FreeBytes = 1000;

private:
    const TFault& FFault;
};

class TFakeProcesses : public IProcessSnapshot {
public:
    explicit TFakeProcesses(const TFault& fault) : FFault(fault) {}
    bool TakeSnapshot(std::vector<TProcessEntry>& entries) override {
        FFault.Check("processes");
        entries = Running;
        return !Running.empty();
    }
    std::uint32_t OwnProcessID() const override { return Own; }
    std::vector<TProcessEntry> Running;
    std::uint32_t Own = 0;

private:
    const TFault& FFault;
};

class TFakeShellMonitor : public IShellMonitor {
public:
    explicit TFakeShellMonitor(const TFault& fault) : FFault(fault) {}
    TShellEventDispatch& Events() override { return FEvents; }
    void Start(TCaptureNotes& notes) override {
        FFault.Check("shell");
        Notes = &notes;
        Started = true;
    }
    void Stop() noexcept override { Started = false; }
    // As the shell delivers a notification while the component runs.
    void Deliver(std::uint32_t code, std::string path1, std::string path2 = {}) {
        if (Started) {
            FEvents.Deliver(code, std::move(path1), std::move(path2));
        }
    }
    bool Started = false;
    TCaptureNotes* Notes = nullptr;

private:
    const TFault& FFault;
    TShellEventDispatch FEvents;
};

class TFakeWatching : public IDirectoryWatching {
public:
    struct TWatch {
        std::string Path;
        std::uint32_t Mask = 0;
        bool Running = true;
    };
    class TWatcher : public IDirectoryWatcher {
    public:
        explicit TWatcher(TWatch& watch) : FWatch(watch) {}
        void StopWatch() noexcept override { FWatch.Running = false; }

    private:
        TWatch& FWatch;
    };

    explicit TFakeWatching(const TFault& fault) : FFault(fault) {}
    bool Available() const override { return IsAvailable; }
    std::unique_ptr<IDirectoryWatcher> StartWatch(const std::string& path, std::uint32_t mask,
                                                  TFileWatchJournal& journal) override {
        FFault.Check("watch " + path);
        Journal = &journal;
        Watches.push_back(std::make_unique<TWatch>(TWatch{path, mask}));
        return std::make_unique<TWatcher>(*Watches.back());
    }
    std::size_t Running() const {
        std::size_t running = 0;
        for (const auto& watch : Watches) {
            running += watch->Running;
        }
        return running;
    }
    bool IsAvailable = true;
    std::vector<std::unique_ptr<TWatch>> Watches;
    TFileWatchJournal* Journal = nullptr;

private:
    const TFault& FFault;
};

// Shows what it was last told and logs every call that changes the bar.
class TFakeDisplay : public ICaptureDisplay {
public:
    explicit TFakeDisplay(const TFault& fault) : FFault(fault) {}
    void ShowCaption(bool visible) override { CaptionVisible = visible; }
    void SetCaption(const std::string& text) override {
        Caption = text;
        Captions.push_back(text);
    }
    void ShowBar(bool visible) override { BarVisible = visible; }
    void SetBar(int minimum, int maximum, int, int position) override {
        Bars.push_back({minimum, maximum, position, 0});
    }
    void RewindBar() override { FFault.Check("rewinding the bar"); }
    void StepBar() override {
        if (!Bars.empty()) {
            ++Bars.back().Steps;
        }
    }
    void ShowAnimation(bool visible) override { AnimationVisible = visible; }
    void RunAnimation(bool running) override { AnimationRunning = running; }
    void ShowBusyCursor(bool busy) override { Busy = busy; }
    void ProcessMessages() override {
        if (OnProcessMessages) {
            OnProcessMessages();
        }
    }
    void BringToFront() override { ++BroughtToFront; }

    struct TBar {
        int Minimum;
        int Maximum;
        int Position;
        int Steps;
    };
    bool CaptionVisible = false;
    bool BarVisible = false;
    bool AnimationVisible = false;
    bool AnimationRunning = false;
    bool Busy = false;
    int BroughtToFront = 0;
    std::string Caption;
    std::vector<std::string> Captions;
    std::vector<TBar> Bars;
    std::function<void()> OnProcessMessages;

private:
    const TFault& FFault;
};

class TFakeWarnings : public IWarningsSource, public IRegWarningDisplay {
public:
    explicit TFakeWarnings(const TFault& fault) : FFault(fault) {}
    TIniFile ReadWarnings() override {
        FFault.Check("warnings file");
        return TIniFile::Parse(Text);
    }
    void ShowRegistryWarning(const std::string& name, const std::string&) override { Shown.push_back(name); }
    std::string Text;
    std::vector<std::string> Shown;

private:
    const TFault& FFault;
};

// Every platform service of a recording, in memory.
struct TCaptureWorld {
    TFault Fault;
    TMemoryRegistry Registry;
    TMemoryFileSystem Files;
    TSteppingTime Clock;
    TFaultyRegistry FaultyRegistry{Registry, Fault};
    TFaultyFileSystem FaultyFiles{Files, Fault};
    TFakeDrives Drives{Fault};
    TFakeProcesses Processes{Fault};
    TFakeShellMonitor Shell{Fault};
    TFakeWatching Watching{Fault};
    TFakeDisplay Display{Fault};
    TFakeWarnings Warnings{Fault};

    TCapturePlatform Platform() {
        return {FaultyRegistry, FaultyFiles, Clock, Drives, Processes, Shell, Watching, Display, Warnings, Warnings};
    }
};

} // namespace quill::test
