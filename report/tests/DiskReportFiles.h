#pragma once

#include "report/ReportFiles.h"

#include <cstdio>
#include <string>

namespace quill {

// For the benchmark and the sample report: the report written to a real
// file through the C library, under the Linux or Windows path given. Every
// path without a trailing backslash counts as an existing file, so that
// links show.
class TDiskReportFiles : public IReportFiles {
public:
    std::unique_ptr<IReportFile> CreateTemporary(const std::string& folder, std::string& path) override {
        path = folder + "QuillborneReport.tmp";
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (file == nullptr) {
            throw EReportFile("cannot create " + path);
        }
        return std::make_unique<TFile>(file);
    }
    void Replace(const std::string& from, const std::string& target) override {
        std::remove(target.c_str());
        if (std::rename(from.c_str(), target.c_str()) != 0) {
            throw EReportFile("cannot rename " + from);
        }
    }
    void Remove(const std::string& path) noexcept override { std::remove(path.c_str()); }
    bool IsFile(const std::string& path) override { return !path.empty() && path.back() != '\\'; }
    void Open(const std::string&) noexcept override {}

private:
    class TFile : public IReportFile {
    public:
        explicit TFile(std::FILE* file) : FFile(file) {}
        ~TFile() override {
            if (FFile != nullptr) {
                std::fclose(FFile);
            }
        }
        void Write(std::string_view bytes) override {
            if (std::fwrite(bytes.data(), 1, bytes.size(), FFile) != bytes.size()) {
                throw EReportFile("write failed");
            }
        }
        void Close() override {
            const int result = std::fclose(FFile);
            FFile = nullptr;
            if (result != 0) {
                throw EReportFile("close failed");
            }
        }

    private:
        std::FILE* FFile;
    };
};

} // namespace quill
