// How many records of a typical Windows 10/11 recording each shipped ignore
// list hides: a made-up recording holding the noise Windows makes on its own
// and the sample installer's footprint, which must stay whole. Takes the
// folder of the shipped lists; prints one row per list.

#include "filter/IgnoreList.h"
#include "filter/IgnoreMatcher.h"

#include <cstdio>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace quill;
using TScope = TIgnoreMatcher::TKeyScope;

struct TRecord {
    const char* Kind; // "file", "key" or "value"
    std::string Text; // a path; a key path; a key path and a value name
    TScope Scope = TScope::Root;
};

std::optional<std::string> TypicalVariable(std::string_view name) {
    static const std::map<std::string, std::string, std::less<>> values{
        {"SystemRoot", "C:\\Windows"},
        {"SystemDrive", "C:"},
        {"ProgramData", "C:\\ProgramData"},
        {"USERPROFILE", "C:\\Users\\Ann"},
        {"APPDATA", "C:\\Users\\Ann\\AppData\\Roaming"},
        {"LOCALAPPDATA", "C:\\Users\\Ann\\AppData\\Local"},
        {"TEMP", "C:\\Users\\Ann\\AppData\\Local\\Temp"},
    };
    const auto found = values.find(name);
    return found == values.end() ? std::nullopt : std::optional<std::string>(found->second);
}

std::vector<std::string> Checked(const std::string& folder, TIgnoreKind kind) {
    std::ifstream file(folder + "/" + std::string(IgnoreKindInfo(kind).FileName), std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    std::vector<std::string> entries;
    for (const TIgnoreEntry& entry : ParseIgnoreList(text.str())) {
        if (entry.Checked) {
            const bool path = kind == TIgnoreKind::Files || kind == TIgnoreKind::Directories;
            entries.push_back(path ? ExpandVariables(entry.Text, TypicalVariable) : entry.Text);
        }
    }
    return entries;
}

const char* const kNoiseFiles[] = {
    "C:\\Windows\\Prefetch\\SETUP.EXE-1A2B3C4D.pf",
    "C:\\Windows\\Prefetch\\MSIEXEC.EXE-5E6F7A8B.pf",
    "C:\\Windows\\System32\\winevt\\Logs\\Application.evtx",
    "C:\\Windows\\System32\\winevt\\Logs\\System.evtx",
    "C:\\Windows\\System32\\config\\SOFTWARE",
    "C:\\Windows\\System32\\config\\SOFTWARE.LOG1",
    "C:\\Windows\\System32\\config\\SYSTEM.LOG2",
    "C:\\Windows\\System32\\config\\SAM",
    "C:\\Windows\\System32\\config\\SECURITY.LOG1",
    "C:\\Windows\\System32\\config\\COMPONENTS",
    "C:\\Windows\\System32\\config\\DRIVERS.LOG1",
    "C:\\Windows\\System32\\config\\BBI",
    "C:\\Windows\\System32\\config\\ELAM.LOG2",
    "C:\\Windows\\System32\\config\\TxR\\{0f5b1a2e}.TxR.0.regtrans-ms",
    "C:\\Windows\\System32\\catroot2\\edb.log",
    "C:\\Windows\\System32\\catroot2\\{F750E6C3}\\catdb",
    "C:\\Windows\\System32\\wdi\\LogFiles\\BootCKCL.etl",
    "C:\\Windows\\System32\\sru\\SRUDB.dat",
    "C:\\Windows\\inf\\setupapi.dev.log",
    "C:\\Windows\\inf\\setupapi.app.log",
    "C:\\Windows\\ServiceProfiles\\LocalService\\AppData\\Local\\lastalive0.dat",
    "C:\\Windows\\ServiceProfiles\\LocalService\\AppData\\Local\\lastalive1.dat",
    "C:\\Windows\\ServiceProfiles\\NetworkService\\AppData\\Local\\Microsoft\\Windows\\DeliveryOptimization\\Logs\\"
    "dosvc.1.etl",
    "C:\\Windows\\SoftwareDistribution\\DataStore\\DataStore.edb",
    "C:\\Windows\\appcompat\\Programs\\Amcache.hve",
    "C:\\Windows\\Logs\\CBS\\CBS.log",
    "C:\\ProgramData\\Microsoft\\Windows Defender\\Scans\\History\\CacheManager\\MpSfc.bin",
    "C:\\ProgramData\\Microsoft\\Windows Defender\\Scans\\mpenginedb.db",
    "C:\\ProgramData\\Microsoft\\Windows Defender\\Scans\\mpenginedb.db-wal",
    "C:\\ProgramData\\Microsoft\\Windows Defender\\Support\\MPLog-20261208.log",
    "C:\\ProgramData\\Microsoft\\Diagnosis\\ETLLogs\\AutoLogger\\AutoLogger-Diagtrack-Listener.etl",
    "C:\\ProgramData\\Microsoft\\Windows\\AppRepository\\StateRepository-Machine.srd",
    "C:\\ProgramData\\Microsoft\\Network\\Downloader\\qmgr.db",
    "C:\\ProgramData\\USOPrivate\\UpdateStore\\store.db",
    "C:\\ProgramData\\USOShared\\Logs\\System\\UpdateSessionOrchestration.1.etl",
    "C:\\ProgramData\\Microsoft\\Search\\Data\\Applications\\Windows\\Windows.edb",
    "C:\\Users\\Ann\\NTUSER.DAT",
    "C:\\Users\\Ann\\ntuser.dat.LOG1",
    "C:\\Users\\Ann\\AppData\\Local\\Microsoft\\Windows\\UsrClass.dat",
    "C:\\Users\\Ann\\AppData\\Local\\Microsoft\\Windows\\Explorer\\thumbcache_256.db",
    "C:\\Users\\Ann\\AppData\\Local\\Microsoft\\Windows\\WebCache\\WebCacheV01.dat",
    "C:\\Users\\Ann\\AppData\\Local\\Microsoft\\Windows\\Notifications\\wpndatabase.db",
    "C:\\Users\\Ann\\AppData\\Local\\Microsoft\\Windows\\Caches\\cversions.3.db",
    "C:\\Users\\Ann\\AppData\\Local\\Microsoft\\Windows\\History\\History.IE5\\container.dat",
    "C:\\Users\\Ann\\AppData\\Local\\Microsoft\\Windows\\INetCookies\\ESE\\container.dat",
    "C:\\Users\\Ann\\AppData\\Local\\Microsoft\\Windows\\INetCache\\IE\\index.dat",
    "C:\\Users\\Ann\\AppData\\Local\\ConnectedDevicesPlatform\\L.Ann\\ActivitiesCache.db",
    "C:\\Users\\Ann\\AppData\\Local\\D3DSCache\\4e1f\\idx",
    "C:\\Users\\Ann\\AppData\\Local\\CrashDumps\\explorer.exe.4212.dmp",
    "C:\\Users\\Ann\\AppData\\Local\\Microsoft\\CLR_v4.0\\UsageLogs\\setup.exe.log",
    "C:\\Users\\Ann\\AppData\\Local\\Packages\\Microsoft.Windows.Search_cw5n1h2txyewy\\LocalState\\DeviceSearchCache\\"
    "AppCache1.txt",
    "C:\\Users\\Ann\\AppData\\Local\\Packages\\Microsoft.Windows.StartMenuExperienceHost_cw5n1h2txyewy\\TempState\\"
    "StartUnifiedTileModelCache.dat",
    "C:\\Users\\Ann\\AppData\\Roaming\\Microsoft\\Windows\\Recent\\readme.txt.lnk",
    "C:\\pagefile.sys",
    "C:\\swapfile.sys",
    // Left to show: the places are not noise.
    "C:\\Users\\Ann\\AppData\\Local\\Temp\\setup-1234\\setup.log",
    "C:\\Windows\\Temp\\MSI1a2b3.LOG",
    "C:\\ProgramData\\Microsoft\\Windows\\WER\\ReportArchive\\AppCrash_setup.exe\\Report.wer",
};

const char* const kNoiseKeys[] = {
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\UserAssist\\{CEBFF5CD}\\Count\\",
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RecentDocs\\.txt\\",
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FeatureUsage\\AppSwitched\\",
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\SessionInfo\\1\\",
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\CloudStore\\Store\\Cache\\DefaultAccount\\",
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Notifications\\Data\\",
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Search\\JumplistData\\",
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Cached\\",
    "\\Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\Shell\\MuiCache\\",
    "\\Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\Shell\\BagMRU\\0\\",
};

const char* const kNoiseMachineKeys[] = {
    "\\SYSTEM\\CurrentControlSet\\Services\\bam\\State\\UserSettings\\S-1-5-21-7-1001\\",
    "\\SYSTEM\\ControlSet001\\Services\\dam\\UserSettings\\S-1-5-21-7-1001\\",
    "\\SYSTEM\\CurrentControlSet\\Services\\dam\\UserSettings\\S-1-5-21-7-1001\\",
    "\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\CIT\\System\\",
    "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Diagnostics\\DiagTrack\\SevilleEventlogManager\\",
    "\\SOFTWARE\\Microsoft\\WindowsUpdate\\UX\\StateVariables\\",
    "\\SOFTWARE\\Microsoft\\Windows Defender\\Signature Updates\\",
    "\\SOFTWARE\\Microsoft\\Windows Search\\Gather\\Windows\\SystemIndex\\",
    // Left to show: an administrator must see these.
    "\\SOFTWARE\\Microsoft\\WindowsUpdate\\UX\\Settings\\",
};

const char* const kNoiseValues[] = {
    "\\SOFTWARE\\Microsoft\\Cryptography\\RNG\\Seed",
    "\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\AppCompatCache\\AppCompatCache",
    "\\SYSTEM\\ControlSet001\\Control\\Session Manager\\AppCompatCache\\AppCompatCache",
    "\\SYSTEM\\CurrentControlSet\\Control\\Windows\\ShutdownTime",
};

const char* const kFootprintFiles[] = {
    "C:\\Program Files\\Quillborne Sample\\",
    "C:\\Program Files\\Quillborne Sample\\QuillborneSample.exe",
    "C:\\Program Files\\Quillborne Sample\\\xE6\x95\xB0\xE6\x8D\xAE\\\xE8\xA8\xAD\xE5\xAE\x9A.ini",
    "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Quillborne Sample.lnk",
};

const char* const kFootprintKeys[] = {
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QuillborneSample\\",
    "\\Software\\Quillborne Sample\\Types\\",
    "\\Software\\Classes\\.qbsample\\",
    "\\Software\\Classes\\QuillborneSample.Document\\shell\\open\\command\\",
};

const char* const kFootprintValues[] = {
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\QuillborneSample",
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QuillborneSample\\DisplayName",
};

// The records of one recording, the user's keys as HKEY_CURRENT_USER shows
// them and again as HKEY_USERS does.
std::vector<TRecord> Records(bool footprint) {
    std::vector<TRecord> records;
    const auto users = [&](const char* kind, const std::string& text) {
        records.push_back({kind, text});
        records.push_back({kind, "\\S-1-5-21-7-1001" + text, TScope::EachUserHive});
    };
    if (footprint) {
        for (const char* file : kFootprintFiles) {
            records.push_back({"file", file});
        }
        for (const char* key : kFootprintKeys) {
            users("key", key);
        }
        for (const char* value : kFootprintValues) {
            users("value", value);
        }
        return records;
    }
    for (const char* file : kNoiseFiles) {
        records.push_back({"file", file});
    }
    for (const char* key : kNoiseKeys) {
        users("key", key);
    }
    for (const char* key : kNoiseMachineKeys) {
        records.push_back({"key", key});
    }
    for (const char* value : kNoiseValues) {
        records.push_back({"value", value});
    }
    return records;
}

bool Hidden(const TIgnoreMatcher& matcher, const TRecord& record) {
    if (std::string_view(record.Kind) == "file") {
        return !matcher.IsPathIncluded(record.Text);
    }
    if (std::string_view(record.Kind) == "key") {
        return !matcher.IsKeyIncluded(record.Text, record.Scope);
    }
    const std::size_t split = record.Text.rfind('\\') + 1;
    return !matcher.IsValueIncluded(std::string_view(record.Text).substr(0, split),
                                    std::string_view(record.Text).substr(split), record.Scope);
}

} // namespace

int main(int argc, char** argv) {
    const std::string folder = argc > 1 ? argv[1] : ".";
    const std::vector<TRecord> noise = Records(false);
    const std::vector<TRecord> footprint = Records(true);
    const TIgnoreMatcher::TLists all{Checked(folder, TIgnoreKind::Files), Checked(folder, TIgnoreKind::Directories),
                                     Checked(folder, TIgnoreKind::Keys), Checked(folder, TIgnoreKind::Values)};
    struct TRow {
        const char* Name;
        TIgnoreMatcher::TLists Lists;
    };
    const std::vector<TRow> rows{
        {"IgnoreFiles.txt", {all.Files, {}, {}, {}}},
        {"IgnoreDirs.txt", {{}, all.Directories, {}, {}}},
        {"IgnoreKeys.txt", {{}, {}, all.Keys, {}}},
        {"IgnoreValues.txt", {{}, {}, {}, all.Values}},
        {"all four", all},
    };
    std::printf("%-18s %8s %14s %18s\n", "list", "entries", "noise hidden", "footprint hidden");
    for (const TRow& row : rows) {
        const TIgnoreMatcher matcher(row.Lists);
        const std::size_t entries =
            row.Lists.Files.size() + row.Lists.Directories.size() + row.Lists.Keys.size() + row.Lists.Values.size();
        std::size_t noiseHidden = 0;
        std::size_t footprintHidden = 0;
        for (const TRecord& record : noise) {
            noiseHidden += Hidden(matcher, record) ? 1 : 0;
        }
        for (const TRecord& record : footprint) {
            footprintHidden += Hidden(matcher, record) ? 1 : 0;
        }
        std::printf("%-18s %8zu %7zu of %3zu %11zu of %3zu\n", row.Name, entries, noiseHidden, noise.size(),
                    footprintHidden, footprint.size());
    }
    return 0;
}
