#pragma once

#include "report/InstallerSource.h"

namespace quill {

// This machine's standard folders, as the shell knows them, and the running
// user's SID: what a package needs to install a recording elsewhere. A
// folder the shell cannot name is left out, so its files are listed as not
// packaged rather than put somewhere wrong.
TPackageEnvironment Win32PackageEnvironment();

} // namespace quill
