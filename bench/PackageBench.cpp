// The installer source of a recording that created 10,000 files in 500
// folders and 2,000 registry values: the time to compose it and to write it
// with every file copied (to memory, so that only the package's own work is
// measured), and the size of Package.wxs.

#include "common/tests/FixedOffsetTime.h"
#include "report/InstallerSource.h"

#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

namespace {

using namespace quill;

constexpr int kFiles = 10000;
constexpr int kValues = 2000;

class TMemoryPackageFiles : public IPackageFiles {
public:
    std::string Read(const std::string& path) override { return "contents of " + path; }
    void Write(const std::string& path, std::string_view bytes) override { FFiles[path] = bytes.size(); }
    void MakeFolders(const std::string&) override {}
    std::size_t Count() const noexcept { return FFiles.size(); }

private:
    std::map<std::string, std::size_t> FFiles;
};

void Fill(TSessionStore& store) {
    store.FilesCompared = true;
    for (int i = 0; i < kFiles; ++i) {
        auto file = std::make_unique<TFileScan>();
        file->Size = 1000 + i;
        store.FilesAfter.Append("C:\\Program Files\\Vendor\\Product\\module" + std::to_string(i % 500) + "\\file" +
                                    std::to_string(i) + ".dll",
                                std::move(file));
    }
    store.FilesAfter.SortAppended();
    TRootLists& root = store.Root(TRegRoot::LocalMachine);
    root.Recorded = root.Compared = true;
    for (int i = 0; i < kValues; ++i) {
        auto value = std::make_unique<TValueRecord>();
        value->Name = root.ValuesAfter.Keep("Value" + std::to_string(i % 10));
        value->RegType = kRegDword;
        value->DataType = dtInteger;
        value->Data = static_cast<std::int32_t>(i);
        value->DataSize = 4;
        root.ValuesAfter.Append("\\Software\\Vendor\\Product\\Key" + std::to_string(i / 10) + "\\", std::move(value));
    }
    root.ValuesAfter.SortAppended();
}

} // namespace

int main() {
    const TFixedOffsetTime clock(0, 45000.5);
    TSessionStore store(clock);
    store.NewSession();
    Fill(store);
    const TPackageEnvironment environment{{{"C:\\Program Files\\", "ProgramFiles64Folder"}}, "S-1-5-21-1", {}};
    TMemoryPackageFiles files;
    const auto start = std::chrono::steady_clock::now();
    const TInstallerSource source = WriteInstallerSource(store, TRecordingInfo{}, environment, "C:\\Package", files);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%zu files and %zu registry values packaged, %zu files written, Package.wxs %.1f MB: %.3f s\n",
                source.FilesPackaged, source.ValuesPackaged, files.Count(),
                static_cast<double>(source.Wxs.size()) / (1024.0 * 1024.0), seconds);
    return 0;
}
