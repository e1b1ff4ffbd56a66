#pragma once

#include "report/ReportFiles.h"

namespace quill {

// The report's files on disk, and the shell that opens them.
class TWin32ReportFiles : public IReportFiles {
public:
    std::unique_ptr<IReportFile> CreateTemporary(const std::string& folder, std::string& path) override;
    void Replace(const std::string& from, const std::string& target) override;
    void Remove(const std::string& path) noexcept override;
    bool IsFile(const std::string& path) override;
    void Open(const std::string& target) noexcept override;
};

} // namespace quill
