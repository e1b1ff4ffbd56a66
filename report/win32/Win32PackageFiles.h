#pragma once

#include "report/InstallerSource.h"

namespace quill {

// The package's files on this machine's file system.
class TWin32PackageFiles : public IPackageFiles {
public:
    std::string Read(const std::string& path) override;
    void Write(const std::string& path, std::string_view bytes) override;
    void MakeFolders(const std::string& folder) override;
};

} // namespace quill
