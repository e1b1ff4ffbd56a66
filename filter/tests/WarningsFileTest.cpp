#include "filter/RegWatch.h"

#include "common/TextCompare.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace quill {
namespace {

using ::testing::ElementsAre;

TIniFile ShippedFile() {
    std::ifstream file(QUILL_WARNINGS_FILE, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return TIniFile::Parse(text.str());
}

// The warnings file shipped beside the program: every section must name a
// key or value of a root and carry a message, or it would never warn or warn
// without saying why.
TEST(WarningsFile, EverySectionNamesAKeyOrValueOfARootAndHasAMessage) {
    const TIniFile ini = ShippedFile();
    ASSERT_GT(ini.SectionNames().size(), 50u) << QUILL_WARNINGS_FILE;
    for (const std::string& section : ini.SectionNames()) {
        SCOPED_TRACE(section);
        bool rooted = false;
        for (const TRegRoot root : kAllRoots) {
            const std::string prefix = std::string(RootName(root)) + "\\";
            rooted = rooted || section.starts_with(prefix);
        }
        EXPECT_TRUE(rooted);
        EXPECT_EQ(section.find("\\\\"), std::string::npos);
        // A value name is split off at a colon too.
        EXPECT_EQ(section.find(':'), std::string::npos);
        const std::string message = ini.ReadString(section, "Message", "");
        EXPECT_GT(message.size(), 20u);
    }
}

enum class TWatch { Key, Value };

struct TWatchedPlace {
    TRegRoot Root;
    TWatch Kind;
    const char* Section;
};

// Places where something is added under a key that already exists, and
// places an installation can use to start code, weaken protection or take
// over a file type.
const TWatchedPlace kWatchedPlaces[] = {
    // clang-format off
    {TRegRoot::LocalMachine, TWatch::Value, "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options\\sethc.exe\\Debugger"},
    {TRegRoot::LocalMachine, TWatch::Value, "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options\\utilman.exe\\Debugger"},
    {TRegRoot::LocalMachine, TWatch::Value, "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options\\osk.exe\\Debugger"},
    {TRegRoot::LocalMachine, TWatch::Value, "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options\\magnify.exe\\Debugger"},
    {TRegRoot::LocalMachine, TWatch::Value, "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options\\narrator.exe\\Debugger"},
    {TRegRoot::LocalMachine, TWatch::Value, "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options\\displayswitch.exe\\Debugger"},
    {TRegRoot::LocalMachine, TWatch::Value, "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options\\atbroker.exe\\Debugger"},
    {TRegRoot::LocalMachine, TWatch::Value, "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\Shell"},
    {TRegRoot::LocalMachine, TWatch::Value, "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\Userinit"},
    {TRegRoot::LocalMachine, TWatch::Value, "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\Taskman"},
    {TRegRoot::LocalMachine, TWatch::Value, "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Lsa\\Authentication Packages"},
    {TRegRoot::LocalMachine, TWatch::Value, "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Lsa\\Notification Packages"},
    {TRegRoot::LocalMachine, TWatch::Value, "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Lsa\\Security Packages"},
    {TRegRoot::LocalMachine, TWatch::Value, "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Lsa\\OSConfig\\Security Packages"},
    {TRegRoot::LocalMachine, TWatch::Key,   "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Schedule\\TaskCache\\Tree\\"},
    {TRegRoot::LocalMachine, TWatch::Key,   "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Schedule\\TaskCache\\Tasks\\"},
    {TRegRoot::CurrentUser,  TWatch::Value, "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders\\Startup"},
    {TRegRoot::LocalMachine, TWatch::Value, "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders\\Common Startup"},
    {TRegRoot::CurrentUser,  TWatch::Key,   "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run\\"},
    {TRegRoot::CurrentUser,  TWatch::Key,   "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run32\\"},
    {TRegRoot::CurrentUser,  TWatch::Key,   "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\StartupFolder\\"},
    {TRegRoot::LocalMachine, TWatch::Key,   "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run\\"},
    {TRegRoot::LocalMachine, TWatch::Key,   "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run32\\"},
    {TRegRoot::LocalMachine, TWatch::Key,   "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\StartupFolder\\"},
    {TRegRoot::LocalMachine, TWatch::Key,   "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellServiceObjects\\"},
    {TRegRoot::LocalMachine, TWatch::Key,   "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Authentication\\Credential Providers\\"},
    {TRegRoot::LocalMachine, TWatch::Value, "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\SharedAccess\\Parameters\\FirewallPolicy\\DomainProfile\\EnableFirewall"},
    {TRegRoot::LocalMachine, TWatch::Value, "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\SharedAccess\\Parameters\\FirewallPolicy\\PublicProfile\\EnableFirewall"},
    {TRegRoot::LocalMachine, TWatch::Key,   "HKEY_LOCAL_MACHINE\\Software\\Policies\\Microsoft\\WindowsFirewall\\"},
    {TRegRoot::LocalMachine, TWatch::Key,   "HKEY_LOCAL_MACHINE\\Software\\Policies\\Microsoft\\WindowsFirewall\\DomainProfile\\"},
    {TRegRoot::LocalMachine, TWatch::Key,   "HKEY_LOCAL_MACHINE\\Software\\Policies\\Microsoft\\WindowsFirewall\\StandardProfile\\"},
    {TRegRoot::LocalMachine, TWatch::Key,   "HKEY_LOCAL_MACHINE\\Software\\Policies\\Microsoft\\WindowsFirewall\\PublicProfile\\"},
    {TRegRoot::LocalMachine, TWatch::Key,   "HKEY_LOCAL_MACHINE\\Software\\Policies\\Microsoft\\WindowsFirewall\\FirewallRules\\"},
    {TRegRoot::LocalMachine, TWatch::Value, "HKEY_LOCAL_MACHINE\\Software\\Policies\\Microsoft\\Windows Defender\\DisableAntiVirus"},
    {TRegRoot::LocalMachine, TWatch::Key,   "HKEY_LOCAL_MACHINE\\Software\\Policies\\Microsoft\\Windows Defender\\Real-Time Protection\\"},
    {TRegRoot::LocalMachine, TWatch::Key,   "HKEY_LOCAL_MACHINE\\Software\\Policies\\Microsoft\\Windows Defender\\Spynet\\"},
    {TRegRoot::LocalMachine, TWatch::Key,   "HKEY_LOCAL_MACHINE\\Software\\Policies\\Microsoft\\Windows Defender\\Exclusions\\Extensions\\"},
    {TRegRoot::LocalMachine, TWatch::Key,   "HKEY_LOCAL_MACHINE\\Software\\Policies\\Microsoft\\Windows Defender\\Exclusions\\Processes\\"},
    {TRegRoot::LocalMachine, TWatch::Key,   "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows Defender\\Exclusions\\Extensions\\"},
    {TRegRoot::LocalMachine, TWatch::Key,   "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows Defender\\Exclusions\\Processes\\"},
    {TRegRoot::LocalMachine, TWatch::Value, "HKEY_LOCAL_MACHINE\\Software\\Policies\\Microsoft\\Windows\\System\\EnableSmartScreen"},
    {TRegRoot::LocalMachine, TWatch::Value, "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\SmartScreenEnabled"},
    {TRegRoot::LocalMachine, TWatch::Value, "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Terminal Server\\fDenyTSConnections"},
    {TRegRoot::LocalMachine, TWatch::Value, "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Lsa\\RunAsPPL"},
    {TRegRoot::LocalMachine, TWatch::Value, "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\SecurityProviders\\SecurityProviders"},
    {TRegRoot::LocalMachine, TWatch::Key,   "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\NetSh\\"},
    {TRegRoot::LocalMachine, TWatch::Key,   "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\W32Time\\TimeProviders\\"},
    {TRegRoot::LocalMachine, TWatch::Value, "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment\\PATHEXT"},
    {TRegRoot::CurrentUser,  TWatch::Key,   "HKEY_CURRENT_USER\\Software\\Classes\\CLSID\\"},
    {TRegRoot::ClassesRoot,  TWatch::Key,   "HKEY_CLASSES_ROOT\\.ps1\\"},
    {TRegRoot::ClassesRoot,  TWatch::Key,   "HKEY_CLASSES_ROOT\\Microsoft.PowerShellScript.1\\Shell\\Open\\Command\\"},
    {TRegRoot::ClassesRoot,  TWatch::Key,   "HKEY_CLASSES_ROOT\\.scr\\"},
    {TRegRoot::ClassesRoot,  TWatch::Key,   "HKEY_CLASSES_ROOT\\scrfile\\shell\\open\\command\\"},
    {TRegRoot::ClassesRoot,  TWatch::Key,   "HKEY_CLASSES_ROOT\\.hta\\"},
    {TRegRoot::ClassesRoot,  TWatch::Key,   "HKEY_CLASSES_ROOT\\htafile\\Shell\\Open\\Command\\"},
    {TRegRoot::ClassesRoot,  TWatch::Key,   "HKEY_CLASSES_ROOT\\.msi\\"},
    {TRegRoot::ClassesRoot,  TWatch::Key,   "HKEY_CLASSES_ROOT\\Msi.Package\\Shell\\Open\\Command\\"},
    {TRegRoot::ClassesRoot,  TWatch::Key,   "HKEY_CLASSES_ROOT\\exefile\\shell\\runas\\command\\"},
    {TRegRoot::LocalMachine, TWatch::Value, "HKEY_LOCAL_MACHINE\\Software\\WOW6432Node\\Microsoft\\Command Processor\\AutoRun"},
    {TRegRoot::LocalMachine, TWatch::Key,   "HKEY_LOCAL_MACHINE\\Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellIconOverlayIdentifiers\\"},
    {TRegRoot::LocalMachine, TWatch::Key,   "HKEY_LOCAL_MACHINE\\Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellExecuteHooks\\"},
    {TRegRoot::LocalMachine, TWatch::Key,   "HKEY_LOCAL_MACHINE\\Software\\WOW6432Node\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32\\"},
    {TRegRoot::LocalMachine, TWatch::Key,   "HKEY_LOCAL_MACHINE\\Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx\\"},
    {TRegRoot::Users,        TWatch::Key,   "HKEY_USERS\\.DEFAULT\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\"},
    // clang-format on
};

class TRecordingDisplay : public IRegWarningDisplay {
public:
    void ShowRegistryWarning(const std::string& name, const std::string&) override { Shown.push_back(name); }
    std::vector<std::string> Shown;
};

// Each place, changed as its kind says (a value created under its key, or the
// key's own last-write time), makes its section, and only it, warn.
TEST(WarningsFile, WarnsOnceForAChangeAtEachWatchedPlace) {
    const TIniFile ini = ShippedFile();
    for (const TWatchedPlace& place : kWatchedPlaces) {
        const std::string section = place.Section;
        SCOPED_TRACE(section);
        const std::string rootName = std::string(RootName(place.Root)) + "\\";
        ASSERT_TRUE(section.starts_with(rootName));
        const std::string path = section.substr(rootName.size() - 1);
        ASSERT_EQ(path.back() == '\\', place.Kind == TWatch::Key);

        TKeyList keysBefore = NewKeyList();
        TKeyList keysAfter = NewKeyList();
        TKeyList modifiedKeysBefore;
        TValueList valuesBefore = NewValueList();
        TValueList valuesAfter = NewValueList();
        TValueList modifiedValuesBefore;
        if (place.Kind == TWatch::Key) {
            modifiedKeysBefore.Append(path, std::make_unique<TKeyRecord>());
        } else {
            const std::size_t split = path.rfind('\\') + 1;
            auto record = std::make_unique<TValueRecord>();
            record->Name = valuesAfter.Keep(path.substr(split));
            valuesAfter.Append(path.substr(0, split), std::move(record));
            valuesAfter.SortAppended();
        }
        TRegistryChanges changes;
        changes[static_cast<std::size_t>(place.Root)] = {&keysBefore,   &keysAfter,   &modifiedKeysBefore,
                                                         &valuesBefore, &valuesAfter, &modifiedValuesBefore};
        TRecordingDisplay display;
        TCaptureNotes notes;
        CheckRegistryWarnings(ini, changes, display, notes);
        EXPECT_THAT(display.Shown, ElementsAre(section));
    }
}

} // namespace
} // namespace quill
