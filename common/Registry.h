#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quill {

// The five registry roots, in the order the session store lists them.
enum class TRegRoot { ClassesRoot, CurrentUser, LocalMachine, Users, CurrentConfig };

constexpr TRegRoot kAllRoots[] = {TRegRoot::ClassesRoot, TRegRoot::CurrentUser, TRegRoot::LocalMachine, TRegRoot::Users,
                                  TRegRoot::CurrentConfig};

// The order in which a recording snapshots and compares the roots: the
// machine's own keys first.
constexpr TRegRoot kCaptureOrder[] = {TRegRoot::LocalMachine, TRegRoot::CurrentUser, TRegRoot::ClassesRoot,
                                      TRegRoot::Users, TRegRoot::CurrentConfig};

// "HKEY_LOCAL_MACHINE" and so on: also the names of the settings that enable
// each root.
std::string_view RootName(TRegRoot root) noexcept;

// Keeps "not found" apart from "access denied": a key that cannot be read is
// not a key that is gone.
enum class TRegStatus { Ok, NotFound, AccessDenied, NoMoreItems, MoreData, Failed };

enum class TRegAccess { Read, Write };

// Registry value types as the platform numbers them.
enum TRegType : std::uint32_t {
    kRegNone = 0,
    kRegSz = 1,
    kRegExpandSz = 2,
    kRegBinary = 3,
    kRegDword = 4,
    kRegDwordBigEndian = 5,
    kRegLink = 6,
    kRegMultiSz = 7,
    kRegResourceList = 8,
    kRegQword = 11,
};

struct TRegKeyInfo {
    std::uint32_t SubKeys = 0;
    std::uint32_t MaxSubKeyLength = 0; // UTF-16 code units, without terminator
    std::uint32_t Values = 0;
    std::uint32_t MaxValueNameLength = 0; // UTF-16 code units, without terminator
    std::uint32_t MaxValueSize = 0;       // bytes
    std::uint64_t LastWrite = 0;          // FILETIME ticks, UTC
};

struct TRegValue {
    std::string Name;
    std::uint32_t Type = kRegNone;
    std::vector<std::uint8_t> Data; // the bytes as stored; strings are UTF-16LE
};

// An open registry key. Every call is one platform request; callers that walk
// large trees keep the number of calls per key and per value low.
class IRegKey {
public:
    virtual ~IRegKey() = default;
    virtual TRegStatus QueryInfo(TRegKeyInfo& info) = 0;
    // Name of the subkey at index; NoMoreItems past the last.
    virtual TRegStatus EnumKey(std::uint32_t index, std::string& name) = 0;
    // Name, type and data of the value at index in one request; NoMoreItems
    // past the last. A value larger than QueryInfo said is read again at the
    // size the registry gives; MoreData if it kept growing.
    virtual TRegStatus EnumValue(std::uint32_t index, TRegValue& value) = 0;
    virtual TRegStatus OpenSubKey(std::string_view name, TRegAccess access, std::unique_ptr<IRegKey>& key) = 0;
    virtual TRegStatus QueryValue(std::string_view name, std::uint32_t& type, std::vector<std::uint8_t>& data) = 0;
    virtual TRegStatus SetValue(std::string_view name, std::uint32_t type, const std::vector<std::uint8_t>& data) = 0;
    virtual TRegStatus DeleteValue(std::string_view name) = 0;
};

// The registry of the machine. Paths are backslash-separated and taken from
// the root whether or not they start with a backslash; the empty path (or
// "\") is the root itself.
class IRegistry {
public:
    virtual ~IRegistry() = default;
    virtual TRegStatus OpenKey(TRegRoot root, std::string_view path, TRegAccess access,
                               std::unique_ptr<IRegKey>& key) = 0;
    // Opens the key for writing, creating it and its parents where missing.
    virtual TRegStatus CreateKey(TRegRoot root, std::string_view path, std::unique_ptr<IRegKey>& key) = 0;
};

// A key path of HKEY_USERS split after the user's hive it lies in:
// "\S-1-5-21-...\Software\" gives the hive "S-1-5-21-..." and "\Software\";
// the hive itself gives "\" below it.
struct TUserHivePath {
    std::string_view Hive;
    std::string_view Below;
};
TUserHivePath SplitUserHive(std::string_view keyPath);

// UTF-16LE with its terminating zero, as string values are stored.
std::vector<std::uint8_t> EncodeRegString(std::string_view text);
// The text of a string value up to its first zero character (or its end, for
// data stored without a terminator); an odd trailing byte is ignored.
std::string DecodeRegString(const std::vector<std::uint8_t>& data);

} // namespace quill
