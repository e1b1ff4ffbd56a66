#include "report/TemporaryReport.h"

#include "report/ReportName.h"

namespace quill {

TTemporaryReport::TTemporaryReport(IReportFiles& files, const std::string& target) : FFiles(files) {
    FFile = files.CreateTemporary(std::string(ReportFolder(target)), FPath);
}

TTemporaryReport::~TTemporaryReport() {
    if (FFile != nullptr) {
        FFile.reset();
        FFiles.Remove(FPath);
    }
}

void TTemporaryReport::PutInPlace(const std::string& target) {
    FFile->Close();
    FFile.reset();
    try {
        FFiles.Replace(FPath, target);
    } catch (...) {
        FFiles.Remove(FPath);
        throw;
    }
}

void WriteWholeReportFile(IReportFiles& files, const std::string& path, std::string_view bytes) {
    TTemporaryReport temporary(files, path);
    temporary.File().Write(bytes);
    temporary.PutInPlace(path);
}

} // namespace quill
