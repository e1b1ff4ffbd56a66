#pragma once

#include "report/ReportFiles.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace quill {

// For tests: files as texts in memory, folders that exist, other files that
// exist (for links), and a disk that may fill up after a number of bytes.
class TMemoryReportFiles : public IReportFiles {
public:
    std::map<std::string, std::string> Files;
    std::set<std::string> Folders{"C:\\Reports\\"};
    std::set<std::string> ExistingFiles;
    std::vector<std::string> Opened;
    // Bytes the disk takes before it is full; unlimited when negative.
    long long SpaceLeft = -1;

    std::unique_ptr<IReportFile> CreateTemporary(const std::string& folder, std::string& path) override {
        if (Folders.count(folder) == 0) {
            throw EReportFile("The system cannot find the path specified.");
        }
        path = folder + "~report" + std::to_string(++FMade) + ".tmp";
        Files[path].clear();
        return std::make_unique<TFile>(*this, path);
    }
    void Replace(const std::string& from, const std::string& target) override {
        Files[target] = std::move(Files.at(from));
        Files.erase(from);
    }
    void Remove(const std::string& path) noexcept override { Files.erase(path); }
    bool IsFile(const std::string& path) override { return ExistingFiles.count(path) != 0 || Files.count(path) != 0; }
    void Open(const std::string& target) noexcept override { Opened.push_back(target); }

private:
    class TFile : public IReportFile {
    public:
        TFile(TMemoryReportFiles& owner, std::string path) : FOwner(owner), FPath(std::move(path)) {}
        void Write(std::string_view bytes) override {
            if (FOwner.SpaceLeft >= 0) {
                if (static_cast<long long>(bytes.size()) > FOwner.SpaceLeft) {
                    throw EReportFile("There is not enough space on the disk.");
                }
                FOwner.SpaceLeft -= static_cast<long long>(bytes.size());
            }
            FOwner.Files[FPath].append(bytes);
        }
        void Close() override {}

    private:
        TMemoryReportFiles& FOwner;
        std::string FPath;
    };

    int FMade = 0;
};

} // namespace quill
