#pragma once

#include "report/ReportFiles.h"

#include <memory>
#include <string>
#include <string_view>

namespace quill {

// A file made under a name of its own beside its target and put in the
// target's place only once complete, so that a write that fails leaves any
// earlier file as it was. Removed unless put in place.
class TTemporaryReport {
public:
    TTemporaryReport(IReportFiles& files, const std::string& target);
    TTemporaryReport(const TTemporaryReport&) = delete;
    TTemporaryReport& operator=(const TTemporaryReport&) = delete;
    ~TTemporaryReport();

    IReportFile& File() { return *FFile; }
    void PutInPlace(const std::string& target);

private:
    IReportFiles& FFiles;
    std::string FPath;
    std::unique_ptr<IReportFile> FFile;
};

// Writes bytes as the whole of the file at path, through a temporary file.
// Raises EReportFile.
void WriteWholeReportFile(IReportFiles& files, const std::string& path, std::string_view bytes);

} // namespace quill
