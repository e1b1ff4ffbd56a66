#include "report/InstallerSource.h"

#include "common/TextCompare.h"
#include "common/Utf.h"
#include "report/ValueBytes.h"
#include "snapshot/Digest.h"
#include "snapshot/Hashing.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <utility>

namespace quill {
namespace {

// The namespace of this program's name-based GUIDs: fixed once, so that every
// version gives a component the same GUID.
constexpr std::array<std::uint8_t, 16> kGuidNamespace = {0x6b, 0x1f, 0x3c, 0x52, 0x9e, 0x47, 0x4d, 0x0a,
                                                         0xa1, 0x58, 0x2e, 0x93, 0x70, 0xc4, 0x1d, 0xb6};

std::string UpperText(std::string_view text) {
    std::string upper;
    upper.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        AppendUtf8(upper, UpcaseChar(DecodeUtf8(text, pos)));
    }
    return upper;
}

// XML 1.0 carries no control character but tab and the line ends.
bool XmlCarries(std::string_view text) {
    return std::none_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 && c != '\t' && c != '\n' && c != '\r';
    });
}

bool Ascii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::string Xml(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\n':
            out += "&#10;";
            break;
        case '\r':
            out += "&#13;";
            break;
        case '\t':
            out += "&#9;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// Windows Installer reads registry keys, names and values as formatted text,
// where brackets and braces name properties: each is escaped to stand for
// itself.
std::string Formatted(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        if (c == '[' || c == ']' || c == '{' || c == '}') {
            out += "[\\";
            out += c;
            out += ']';
        } else {
            out += c;
        }
    }
    return out;
}

// Two hyphens would end an XML comment early, and XML carries no control
// character: line breaks show as their pictures (U+240D, U+240A), the rest as
// U+FFFD.
std::string CommentText(std::string_view text) {
    std::string out;
    for (const char c : text) {
        if (c == '\r') {
            out += "\xE2\x90\x8D";
        } else if (c == '\n') {
            out += "\xE2\x90\x8A";
        } else if (static_cast<unsigned char>(c) < 0x20 && c != '\t') {
            out += "\xEF\xBF\xBD";
        } else {
            out += c;
            if (c == '-' && out.size() >= 2 && out[out.size() - 2] == '-') {
                out.insert(out.size() - 1, " ");
            }
        }
    }
    return out;
}

std::string WithoutSlashes(std::string_view path) {
    while (path.starts_with('\\')) {
        path.remove_prefix(1);
    }
    while (path.ends_with('\\')) {
        path.remove_suffix(1);
    }
    return std::string(path);
}

std::vector<std::string> Steps(std::string_view path) {
    std::vector<std::string> steps;
    std::size_t start = 0;
    while (start < path.size()) {
        std::size_t end = path.find('\\', start);
        if (end == std::string_view::npos) {
            end = path.size();
        }
        if (end > start) {
            steps.emplace_back(path.substr(start, end - start));
        }
        start = end + 1;
    }
    return steps;
}

// One folder of the package, under a standard folder.
struct TFolder {
    std::string Name;
    std::map<std::string, TFolder, TTextLess> Children;
    // Name, source and target of each file, in the order of their paths.
    struct TFile {
        std::string Name;
        std::string Source;
        std::string Target;
        bool Changed; // it was there before: the package does not own it
    };
    std::vector<TFile> Files;
    bool Create = false; // created by the installation with nothing in it
    std::string Target;
};

// A registry value to write, or a created key with nothing to write.
struct TRegistryItem {
    const TValueRecord* Value = nullptr;
};

using TRegistryKey = std::pair<std::string, std::string>; // WiX root, key without the outer backslashes

struct TKeyTextLess {
    bool operator()(const TRegistryKey& a, const TRegistryKey& b) const {
        const int roots = CompareText(a.first, b.first);
        return roots != 0 ? roots < 0 : CompareText(a.second, b.second) < 0;
    }
};

// Windows Installer's own records of a package it installed: the new
// package makes its own.
constexpr std::string_view kInstallerKeys[] = {
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\",
    "\\Software\\Classes\\Installer\\",
    "\\Installer\\",
    "\\Software\\Microsoft\\Installer\\",
};

bool RecordedAnInstallerPackage(const TRecordingInfo& recording) {
    const std::string_view program = recording.ProgramName;
    const std::size_t slash = program.find_last_of("\\/");
    const std::string_view file = slash == std::string_view::npos ? program : program.substr(slash + 1);
    return SameText(file, "msiexec") || SameText(file, "msiexec.exe") ||
           (file.size() > 4 && SameText(file.substr(file.size() - 4), ".msi"));
}

// An uninstall entry named by a product code: Windows Installer's.
bool InstallerUninstallEntry(std::string_view keyPath) {
    constexpr std::string_view uninstall = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{";
    std::size_t at = keyPath.find('\\', 1);
    for (const std::string_view path : {keyPath, at == std::string_view::npos ? "" : keyPath.substr(at)}) {
        if (StartsWithText(path, uninstall)) {
            return true;
        }
    }
    return false;
}

class TSourceBuilder {
public:
    TSourceBuilder(const TSessionStore& store, const TRecordingInfo& recording, const TPackageEnvironment& environment,
                   const TCopyFile& copy)
        : FStore(store), FRecording(recording), FEnvironment(environment), FCopy(copy),
          FLeaveInstaller(RecordedAnInstallerPackage(recording)) {}

    TInstallerSource Build() {
        if (FStore.FilesCompared) {
            AddFiles();
            NoteDeletedFiles();
        }
        for (const TRegRoot root : kAllRoots) {
            if (FStore.Root(root).Compared) {
                AddRoot(root);
            }
        }
        NameProduct();
        Write();
        return std::move(FSource);
    }

private:
    void NotPackaged(std::string what, std::string_view reason) {
        FSource.NotPackaged.push_back(std::move(what) + " (" + std::string(reason) + ")");
    }

    const TStandardFolder* FolderOf(std::string_view path) const {
        const TStandardFolder* found = nullptr;
        for (const TStandardFolder& folder : FEnvironment.Folders) {
            if (StartsWithText(path, folder.Path) && path.size() > folder.Path.size() &&
                (found == nullptr || folder.Path.size() > found->Path.size())) {
                found = &folder;
            }
        }
        return found;
    }

    TFolder& FolderAt(const TStandardFolder& standard, const std::vector<std::string>& steps) {
        TFolder* folder = &FRoots[standard.WixId];
        folder->Name = standard.WixId;
        std::string target = standard.WixId;
        for (const std::string& step : steps) {
            target += '\\' + step;
            TFolder& child = folder->Children[step];
            child.Name = step;
            child.Target = target;
            folder = &child;
        }
        return *folder;
    }

    void AddFiles() {
        struct TListed {
            std::string_view Path;
            const TFileScan* Scan;
            bool Changed;
        };
        std::vector<TListed> files;
        for (const TFileList* list : {&FStore.FilesAfter, &FStore.ModifiedFilesAfter}) {
            for (std::size_t i = 0; i < list->Count(); ++i) {
                const TFileScan* scan = list->Record(i);
                const std::string_view path = list->Text(i).View();
                // A changed folder is there already: its files say what changed in it.
                const bool changedFolder = list == &FStore.ModifiedFilesAfter && path.ends_with('\\');
                if (scan != nullptr && scan->Included != 0 && !changedFolder) {
                    files.push_back({path, scan, list == &FStore.ModifiedFilesAfter});
                }
            }
        }
        std::stable_sort(files.begin(), files.end(),
                         [](const TListed& a, const TListed& b) { return CompareText(a.Path, b.Path) < 0; });
        for (const TListed& file : files) {
            AddFile(file.Path, *file.Scan, file.Changed);
        }
    }

    bool Owned(std::string_view path) const {
        return std::any_of(FEnvironment.OwnFiles.begin(), FEnvironment.OwnFiles.end(),
                           [path](const std::string& own) { return SameText(own, path); });
    }

    void AddFile(std::string_view path, const TFileScan& scan, bool changed) {
        if (Owned(path)) {
            return;
        }
        const TStandardFolder* standard = FolderOf(path);
        if (standard == nullptr && path.ends_with('\\') &&
            std::any_of(FEnvironment.Folders.begin(), FEnvironment.Folders.end(),
                        [path](const TStandardFolder& folder) { return SameText(folder.Path, path); })) {
            return;
        }
        if (standard == nullptr) {
            NotPackaged(std::string(path), "outside every standard folder");
            return;
        }
        if (FLeaveInstaller && standard->WixId == "WindowsFolder" &&
            StartsWithText(path.substr(standard->Path.size()), "Installer\\")) {
            return;
        }
        if (!XmlCarries(path)) {
            NotPackaged(std::string(path), "its name holds a control character");
            return;
        }
        const bool directory = path.ends_with('\\');
        std::vector<std::string> steps = Steps(path.substr(standard->Path.size()));
        if (directory) {
            FolderAt(*standard, steps).Create = true;
            return;
        }
        const std::string name = steps.back();
        steps.pop_back();
        TFolder& folder = FolderAt(*standard, steps);
        std::string source = "files/" + standard->WixId;
        for (const std::string& step : steps) {
            source += '/' + step;
        }
        source += '/' + name;
        const TCopyResult copied = FCopy(std::string(path), source, scan);
        if (copied.Outcome == TCopyResult::TOutcome::Changed) {
            NotPackaged(std::string(path), "changed since the recording");
            return;
        }
        if (copied.Outcome == TCopyResult::TOutcome::Failed) {
            NotPackaged(std::string(path), "could not be copied: " + copied.Reason);
            return;
        }
        folder.Files.push_back({name, source, folder.Target + '\\' + name, changed});
        if (changed) {
            FSource.NotExpressed.push_back("Changed, not owned: installed but never removed by the package: " +
                                           std::string(path));
        }
        AllPerUser(standard->PerUser);
        ++FSource.FilesPackaged;
    }

    void NoteDeletedFiles() {
        for (std::size_t i = 0; i < FStore.FilesBefore.Count(); ++i) {
            const TFileScan* scan = FStore.FilesBefore.Record(i);
            if (scan != nullptr && scan->Included != 0) {
                FSource.NotExpressed.push_back("Deleted: " + std::string(FStore.FilesBefore.Text(i).View()));
            }
        }
    }

    // The root and key a key path of the root is installed under; false,
    // with the reason, when none.
    bool Place(TRegRoot root, std::string_view keyPath, TRegistryKey& place, std::string& reason) const {
        switch (root) {
        case TRegRoot::LocalMachine:
            place = {"HKLM", WithoutSlashes(keyPath)};
            return true;
        case TRegRoot::CurrentUser:
            place = {"HKCU", WithoutSlashes(keyPath)};
            return true;
        case TRegRoot::ClassesRoot:
            place = {"HKCR", WithoutSlashes(keyPath)};
            return true;
        case TRegRoot::Users: {
            const auto [hive, below] = SplitUserHive(keyPath);
            if (!FEnvironment.UserSid.empty() && SameText(hive, FEnvironment.UserSid)) {
                place = {"HKCU", WithoutSlashes(below)};
                return true;
            }
            if (!FEnvironment.UserSid.empty() && SameText(hive, FEnvironment.UserSid + "_Classes")) {
                place = {"HKCU", "Software\\Classes\\" + WithoutSlashes(below)};
                return true;
            }
            reason = "another user's hive";
            return false;
        }
        case TRegRoot::CurrentConfig:
            reason = "HKEY_CURRENT_CONFIG is the hardware profile of this machine";
            return false;
        }
        return false;
    }

    bool InstallersOwn(std::string_view keyPath) const {
        if (!FLeaveInstaller) {
            return false;
        }
        return InstallerUninstallEntry(keyPath) ||
               std::any_of(std::begin(kInstallerKeys), std::end(kInstallerKeys),
                           [keyPath](std::string_view key) { return StartsWithText(keyPath, key); });
    }

    void AddRoot(TRegRoot root) {
        const TRootLists& lists = FStore.Root(root);
        const std::string rootName(RootName(root));
        for (std::size_t i = 0; i < lists.KeysAfter.Count(); ++i) {
            const TKeyRecord* key = lists.KeysAfter.Record(i);
            if (key != nullptr && key->Included != 0) {
                AddKey(root, lists.KeysAfter.Text(i).View(), nullptr);
            }
        }
        for (const TValueList* values : {&lists.ValuesAfter, &lists.ModifiedValuesAfter}) {
            for (std::size_t i = 0; i < values->Count(); ++i) {
                const TValueRecord* value = values->Record(i);
                if (value != nullptr && value->Included != 0) {
                    AddKey(root, values->Text(i).View(), value);
                }
            }
        }
        for (std::size_t i = 0; i < lists.KeysBefore.Count(); ++i) {
            const TKeyRecord* key = lists.KeysBefore.Record(i);
            if (key != nullptr && key->Included != 0) {
                FSource.NotExpressed.push_back("Deleted key: " + rootName +
                                               std::string(lists.KeysBefore.Text(i).View()));
            }
        }
        for (std::size_t i = 0; i < lists.ValuesBefore.Count(); ++i) {
            const TValueRecord* value = lists.ValuesBefore.Record(i);
            if (value != nullptr && value->Included != 0) {
                FSource.NotExpressed.push_back("Deleted value: " + rootName +
                                               std::string(lists.ValuesBefore.Text(i).View()) +
                                               std::string(value->Name.View()));
            }
        }
    }

    void AddKey(TRegRoot root, std::string_view keyPath, const TValueRecord* value) {
        if (InstallersOwn(keyPath)) {
            return;
        }
        const std::string shown = std::string(RootName(root)) + std::string(keyPath) +
                                  (value != nullptr ? std::string(value->Name.View()) : std::string());
        TRegistryKey place;
        std::string reason;
        if (!Place(root, keyPath, place, reason)) {
            NotPackaged(shown, reason);
            return;
        }
        if (place.second.empty()) {
            return;
        }
        if (!XmlCarries(place.second) || (value != nullptr && !XmlCarries(value->Name.View()))) {
            NotPackaged(shown, "its name holds a control character");
            return;
        }
        if (value != nullptr && !Writable(*value, reason)) {
            NotPackaged(shown, reason);
            return;
        }
        std::vector<TRegistryItem>& items = FKeys[place];
        if (value == nullptr) {
            ++FSource.KeysPackaged;
            return;
        }
        items.push_back({value});
        AllPerUser(place.first == "HKCU");
        ++FSource.ValuesPackaged;
    }

    static bool Writable(const TValueRecord& value, std::string& reason) {
        switch (value.RegType) {
        case kRegSz:
        case kRegExpandSz:
            if (!IsPlainString(value) || !XmlCarries(ValueText(value))) {
                reason = "a string Windows Installer cannot write as it is";
                return false;
            }
            return true;
        case kRegDword:
            if (StoredBytes(value).size() != 4) {
                reason = "a REG_DWORD without four bytes";
                return false;
            }
            return true;
        case kRegMultiSz: {
            std::vector<std::string> strings;
            if (!DecodeMultiString(StoredBytes(value), strings) || strings.empty() ||
                std::any_of(strings.begin(), strings.end(), [](const std::string& s) { return !XmlCarries(s); })) {
                reason = "a REG_MULTI_SZ Windows Installer cannot write as it is";
                return false;
            }
            return true;
        }
        case kRegBinary:
            return true;
        default: {
            const std::string_view name = RegTypeName(value.RegType);
            reason = (name.empty() ? "type " + std::to_string(value.RegType) : std::string(name)) +
                     ", which Windows Installer cannot write";
            return false;
        }
        }
    }

    void AllPerUser(bool perUser) { FAllPerUser = FAllPerUser && perUser; }

    // From the uninstall entry the installation made, if any.
    void NameProduct() {
        constexpr std::string_view uninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
        for (const auto& [place, items] : FKeys) {
            if (!StartsWithText(place.second, uninstall)) {
                continue;
            }
            for (const TRegistryItem& item : items) {
                const std::string_view name = item.Value->Name.View();
                const std::string_view text = ValueText(*item.Value);
                if (SameText(name, "DisplayName") && FSource.ProductName.empty()) {
                    FSource.ProductName = text;
                } else if (SameText(name, "Publisher") && FSource.Manufacturer.empty()) {
                    FSource.Manufacturer = text;
                } else if (SameText(name, "DisplayVersion") && FSource.Version.empty()) {
                    FSource.Version = text;
                }
            }
        }
        if (FSource.ProductName.empty()) {
            std::string_view program = FRecording.ProgramName;
            program = program.substr(
                program.find_last_of("\\/") == std::string_view::npos ? 0 : program.find_last_of("\\/") + 1);
            program = program.substr(0, program.rfind('.'));
            FSource.ProductName = program.empty() ? "Repackaged application" : std::string(program);
        }
        if (FSource.Manufacturer.empty()) {
            FSource.Manufacturer = "Unknown";
        }
        FSource.Version = ProductVersion(FSource.Version);
        FSource.PerUser = FAllPerUser && (FSource.FilesPackaged + FSource.ValuesPackaged) != 0;
    }

    // Windows Installer takes major.minor.build, each a number: the leading
    // numbers of the version text, up to their limits; 1.0.0 without any.
    static std::string ProductVersion(std::string_view text) {
        constexpr unsigned kLimits[] = {255, 255, 65535};
        std::string version;
        std::size_t pos = 0;
        for (const unsigned limit : kLimits) {
            unsigned number = 0;
            const std::size_t start = pos;
            while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && number <= limit) {
                number = number * 10 + static_cast<unsigned>(text[pos] - '0');
                ++pos;
            }
            if (pos == start || number > limit) {
                break;
            }
            version += (version.empty() ? "" : ".") + std::to_string(number);
            if (pos >= text.size() || text[pos] != '.') {
                break;
            }
            ++pos;
        }
        if (version.empty()) {
            return "1.0.0";
        }
        while (std::count(version.begin(), version.end(), '.') < 2) {
            version += ".0";
        }
        return version;
    }

    std::string NextId(char kind) { return std::string(1, kind) + std::to_string(++FIds); }

    // The text as XML; wixl cannot carry text outside ASCII.
    std::string Carried(std::string_view text) {
        FSource.NeedsWixToolset = FSource.NeedsWixToolset || !Ascii(text);
        return Xml(text);
    }

    void Line(int depth, const std::string& text) {
        FSource.Wxs.append(static_cast<std::size_t>(depth) * 2, ' ');
        FSource.Wxs += text;
        FSource.Wxs += "\r\n";
    }

    // A permanent component stays when the package is removed: for a file
    // that was there before it.
    std::string ComponentOpen(const std::string& id, const std::string& target, bool permanent = false) {
        FComponents.push_back(id);
        return "<Component Id=\"" + id + "\" Guid=\"" + NameBasedGuid(target) + "\" Win64=\"yes\"" +
               (permanent ? " Permanent=\"yes\">" : ">");
    }

    void WriteFolder(int depth, const TFolder& folder, bool standard) {
        Line(depth, standard ? "<Directory Id=\"" + folder.Name + "\">"
                             : "<Directory Id=\"" + NextId('D') + "\" Name=\"" + Carried(folder.Name) + "\">");
        for (const TFolder::TFile& file : folder.Files) {
            Line(depth + 1, ComponentOpen(NextId('C'), file.Target, file.Changed));
            Line(depth + 2, "<File Id=\"" + NextId('F') + "\" Name=\"" + Carried(file.Name) + "\" Source=\"" +
                                Carried(file.Source) + "\" KeyPath=\"yes\" />");
            Line(depth + 1, "</Component>");
        }
        if (folder.Create && folder.Files.empty() && folder.Children.empty()) {
            Line(depth + 1, ComponentOpen(NextId('C'), folder.Target + '\\'));
            Line(depth + 2, "<CreateFolder />");
            Line(depth + 1, "</Component>");
            ++FSource.FoldersPackaged;
        }
        for (const auto& [name, child] : folder.Children) {
            WriteFolder(depth + 1, child, false);
        }
        Line(depth, "</Directory>");
    }

    std::string ValueElement(const TValueRecord& value, bool keyPath) {
        std::string element = "<RegistryValue Id=\"" + NextId('V') + "\"";
        if (!value.Name.View().empty()) {
            element += " Name=\"" + Carried(Formatted(value.Name.View())) + "\"";
        }
        const std::vector<std::uint8_t> bytes = StoredBytes(value);
        switch (value.RegType) {
        case kRegSz:
            element += " Type=\"string\" Value=\"" + Carried(Formatted(ValueText(value))) + "\"";
            break;
        case kRegExpandSz:
            FSource.NeedsWixToolset = true;
            element += " Type=\"expandable\" Value=\"" + Carried(Formatted(ValueText(value))) + "\"";
            break;
        case kRegDword: {
            std::uint64_t number = 0;
            DecodeNumber(kRegDword, bytes, number);
            element += " Type=\"integer\" Value=\"" +
                       std::to_string(static_cast<std::int32_t>(static_cast<std::uint32_t>(number))) + "\"";
            break;
        }
        case kRegBinary: {
            std::string hex;
            char digits[3];
            for (const std::uint8_t byte : bytes) {
                std::snprintf(digits, sizeof digits, "%02X", byte);
                hex += digits;
            }
            FSource.NeedsWixToolset = true;
            element += " Type=\"binary\" Value=\"" + hex + "\"";
            break;
        }
        case kRegMultiSz: {
            std::vector<std::string> strings;
            DecodeMultiString(bytes, strings);
            FSource.NeedsWixToolset = true;
            element += " Type=\"multiString\"";
            if (keyPath) {
                element += " KeyPath=\"yes\"";
            }
            element += ">";
            for (const std::string& text : strings) {
                element += "<MultiStringValue>" + Carried(Formatted(text)) + "</MultiStringValue>";
            }
            return element + "</RegistryValue>";
        }
        }
        return element + (keyPath ? " KeyPath=\"yes\" />" : " />");
    }

    void WriteRegistry(int depth) {
        for (const auto& [place, items] : FKeys) {
            Line(depth, ComponentOpen(NextId('R'), place.first + '\\' + place.second + '\\'));
            Line(depth + 1, "<RegistryKey Root=\"" + place.first + "\" Key=\"" + Carried(Formatted(place.second)) +
                                "\"" + (items.empty() ? " Action=\"create\" />" : ">"));
            bool first = true;
            for (const TRegistryItem& item : items) {
                Line(depth + 2, ValueElement(*item.Value, first));
                first = false;
            }
            if (!items.empty()) {
                Line(depth + 1, "</RegistryKey>");
            }
            Line(depth, "</Component>");
        }
    }

    void WriteComment() {
        Line(0, "<!--");
        Line(1, "Made by Quillborne from a recording. What an installation cannot do is listed here; it was not");
        Line(1, "packaged.");
        for (const std::string& line : FSource.NotExpressed) {
            Line(1, CommentText(line));
        }
        for (const std::string& line : FSource.NotPackaged) {
            Line(1, "Not packaged: " + CommentText(line));
        }
        Line(0, "-->");
    }

    void Write() {
        Line(0, "<?xml version=\"1.0\" encoding=\"utf-8\"?>");
        WriteComment();
        Line(0, "<Wix xmlns=\"http://schemas.microsoft.com/wix/2006/wi\">");
        Line(1, "<Product Id=\"*\" Name=\"" + Carried(FSource.ProductName) + "\" Manufacturer=\"" +
                    Carried(FSource.Manufacturer) + "\" Version=\"" + FSource.Version +
                    "\" Language=\"1033\" UpgradeCode=\"" + NameBasedGuid("upgrade\\" + FSource.ProductName) + "\">");
        Line(2, std::string("<Package InstallerVersion=\"500\" Compressed=\"yes\" InstallScope=\"") +
                    (FSource.PerUser ? "perUser" : "perMachine") + "\" />");
        Line(2, "<MajorUpgrade DowngradeErrorMessage=\"A newer version of [ProductName] is already installed.\" />");
        Line(2, "<MediaTemplate EmbedCab=\"yes\" />");
        Line(2, "<Directory Id=\"TARGETDIR\" Name=\"SourceDir\">");
        for (const auto& [id, folder] : FRoots) {
            WriteFolder(3, folder, true);
        }
        WriteRegistry(3);
        Line(2, "</Directory>");
        Line(2, "<Feature Id=\"Complete\" Level=\"1\">");
        for (const std::string& id : FComponents) {
            Line(3, "<ComponentRef Id=\"" + id + "\" />");
        }
        Line(2, "</Feature>");
        Line(1, "</Product>");
        Line(0, "</Wix>");
    }

    const TSessionStore& FStore;
    const TRecordingInfo& FRecording;
    const TPackageEnvironment& FEnvironment;
    const TCopyFile& FCopy;
    const bool FLeaveInstaller;
    TInstallerSource FSource;
    std::map<std::string, TFolder> FRoots;
    std::map<TRegistryKey, std::vector<TRegistryItem>, TKeyTextLess> FKeys;
    std::vector<std::string> FComponents;
    bool FAllPerUser = true;
    int FIds = 0;
};

} // namespace

std::string NameBasedGuid(std::string_view name) {
    const std::unique_ptr<IDigestEngine> sha1 = CreateDigestEngine(TDigestAlgorithm::SHA1);
    const std::string upper = UpperText(name);
    std::uint8_t digest[kMaxDigestLength] = {};
    sha1->Start();
    sha1->Update(kGuidNamespace.data(), kGuidNamespace.size());
    sha1->Update(reinterpret_cast<const std::uint8_t*>(upper.data()), upper.size());
    sha1->Finish(digest);
    digest[6] = static_cast<std::uint8_t>((digest[6] & 0x0F) | 0x50);
    digest[8] = static_cast<std::uint8_t>((digest[8] & 0x3F) | 0x80);
    char text[40];
    std::snprintf(text, sizeof text, "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  digest[0], digest[1], digest[2], digest[3], digest[4], digest[5], digest[6], digest[7], digest[8],
                  digest[9], digest[10], digest[11], digest[12], digest[13], digest[14], digest[15]);
    return text;
}

namespace {

std::string InPackage(const std::string& folder, std::string_view source) {
    std::string path = folder;
    if (!path.ends_with('\\')) {
        path += '\\';
    }
    for (const char c : source) {
        path += c == '/' ? '\\' : c;
    }
    return path;
}

std::string Digest(THashKind kind, const std::string& bytes) {
    const std::unique_ptr<IDigestEngine> digest =
        CreateDigestEngine(kind == kHashMD5 ? TDigestAlgorithm::MD5 : TDigestAlgorithm::SHA1);
    std::uint8_t value[kMaxDigestLength] = {};
    digest->Start();
    digest->Update(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    digest->Finish(value);
    return DigestToHex(value, digest->Length());
}

} // namespace

TInstallerSource WriteInstallerSource(const TSessionStore& store, const TRecordingInfo& recording,
                                      const TPackageEnvironment& environment, const std::string& folder,
                                      IPackageFiles& files) {
    files.MakeFolders(folder);
    TInstallerSource source = ComposeInstallerSource(
        store, recording, environment,
        [&](const std::string& path, const std::string& target, const TFileScan& scan) -> TCopyResult {
            try {
                const std::string bytes = files.Read(path);
                if (recording.HashKind != kHashNone && !scan.Hash.View().empty() &&
                    Digest(recording.HashKind, bytes) != scan.Hash.View()) {
                    return {TCopyResult::TOutcome::Changed, {}};
                }
                const std::string copy = InPackage(folder, target);
                files.MakeFolders(copy.substr(0, copy.rfind('\\')));
                files.Write(copy, bytes);
                return {};
            } catch (const std::exception& error) {
                return {TCopyResult::TOutcome::Failed, error.what()};
            }
        });
    files.Write(InPackage(folder, "Package.wxs"), source.Wxs);
    return source;
}

namespace {

std::string Counted(std::size_t count, std::string_view one, std::string_view many) {
    return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

} // namespace

std::string PackagedCounts(const TInstallerSource& source) {
    return Counted(source.FilesPackaged, "file", "files") + ", " +
           Counted(source.FoldersPackaged, "empty folder", "empty folders") + ", " +
           Counted(source.ValuesPackaged, "registry value", "registry values") + " and " +
           Counted(source.KeysPackaged, "new key", "new keys");
}

std::string InstallerSourceSummary(const TInstallerSource& source, const std::string& folder) {
    constexpr std::size_t kNamed = 10;
    std::string text = "The installer source of " + source.ProductName + " " + source.Version + " (" +
                       (source.PerUser ? "per user" : "per machine") + ") is in " + folder + ": " +
                       PackagedCounts(source) + ".";
    const std::size_t left = source.NotPackaged.size() + source.NotExpressed.size();
    if (left != 0) {
        text += "\n\n" + std::to_string(left) + " changes are not in it; Package.wxs lists them all:";
        std::size_t named = 0;
        for (const std::vector<std::string>* lines : {&source.NotPackaged, &source.NotExpressed}) {
            for (const std::string& line : *lines) {
                if (named++ < kNamed) {
                    text += "\n" + line;
                }
            }
        }
        if (left > kNamed) {
            text += "\n...";
        }
    }
    return text + "\n\nBuild it with " + InstallerBuildCommand(source) + ".";
}

std::string InstallerBuildCommand(const TInstallerSource& source) {
    const std::string wix = "candle Package.wxs, then light Package.wixobj -o package.msi (the WiX Toolset v3)";
    return source.NeedsWixToolset ? wix + "; wixl cannot build it as it is: it writes no text outside ASCII and no "
                                          "multi-string, expandable or binary value"
                                  : wix + ", or wixl -a x64 -o package.msi Package.wxs";
}

TInstallerSource ComposeInstallerSource(const TSessionStore& store, const TRecordingInfo& recording,
                                        const TPackageEnvironment& environment, const TCopyFile& copy) {
    return TSourceBuilder(store, recording, environment, copy).Build();
}

} // namespace quill
