#include "report/JsonResult.h"

#include "report/JsonStream.h"
#include "report/tests/ResultStore.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <regex>
#include <set>
#include <sstream>

namespace quill {
namespace {

using TJson = nlohmann::json;

std::vector<std::uint8_t> Bytes(std::initializer_list<int> values) {
    std::vector<std::uint8_t> bytes;
    for (const int value : values) {
        bytes.push_back(static_cast<std::uint8_t>(value));
    }
    return bytes;
}

bool IsLocalTime(const TJson& value) {
    static const std::regex pattern(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3})");
    return value.is_string() && std::regex_match(value.get<std::string>(), pattern);
}

bool IsUtcTime(const TJson& value) {
    return value.is_string() && value.get<std::string>().ends_with('Z') &&
           IsLocalTime(value.get<std::string>().substr(0, value.get<std::string>().size() - 1));
}

// The fields every result record has, as docs/json-format.md lists them.
void ExpectChange(const TJson& record, std::set<std::string> changes) {
    ASSERT_TRUE(record["change"].is_string());
    EXPECT_TRUE(changes.contains(record["change"].get<std::string>())) << record["change"];
    EXPECT_TRUE(record["included"].is_boolean());
    const std::string change = record["change"];
    const bool hasOld = change != "created" && change != "started";
    const bool hasNew = change != "deleted" && change != "ended";
    EXPECT_EQ(record.contains("old"), hasOld) << record;
    EXPECT_EQ(record.contains("new"), hasNew) << record;
}

void ExpectValueData(const TJson& data) {
    ASSERT_TRUE(data.is_object());
    EXPECT_TRUE(data["type"].is_string() || data["type"].is_null());
    EXPECT_TRUE(data["typeNumber"].is_number_unsigned());
    EXPECT_TRUE(data["size"].is_number_integer());
    const int forms = data.contains("text") + data.contains("number") + data.contains("strings");
    EXPECT_LE(forms, 1) << data;
    EXPECT_TRUE(forms == 1 || data.contains("hex")) << data;
    if (data.contains("text")) {
        EXPECT_TRUE(data["text"].is_string());
    }
    if (data.contains("number")) {
        EXPECT_TRUE(data["number"].is_number_unsigned());
    }
    if (data.contains("strings")) {
        EXPECT_TRUE(data["strings"].is_array());
    }
    if (data.contains("hex")) {
        EXPECT_TRUE(std::regex_match(data["hex"].get<std::string>(), std::regex("([0-9a-f]{2})*")));
    }
}

void ExpectFileState(const TJson& state) {
    EXPECT_TRUE(state["size"].is_number_integer());
    EXPECT_TRUE(IsLocalTime(state["date"]) || state["date"].is_null());
    EXPECT_TRUE(IsUtcTime(state["lastWriteUtc"]) || state["lastWriteUtc"].is_null());
    EXPECT_TRUE(state["attributes"].is_number_unsigned());
    EXPECT_TRUE(state["attributeText"].is_string());
    EXPECT_TRUE(state["digest"].is_string() || state["digest"].is_null());
}

class JsonResultTest : public testing::Test {
protected:
    TJson Result() {
        std::ostringstream out(std::ios::binary);
        WriteJsonResult(out, FResults.Store, FRecording);
        return TJson::parse(out.str());
    }

    // The value record of that name, from the document's value list.
    static TJson Value(const TJson& result, std::string_view name) {
        for (const TJson& value : result["registry"]["values"]) {
            if (value["name"] == name) {
                return value;
            }
        }
        ADD_FAILURE() << "no value " << name;
        return {};
    }

    TResultStore FResults;
    TRecordingInfo FRecording{"C:\\Setup\\setup.exe", 45000.5, 45000.75, false, false, kHashMD5};
};

TEST_F(JsonResultTest, AnEmptySessionHasEverySectionAndTheRecordingsDetails) {
    const TJson result = Result();
    EXPECT_EQ(result["format"], 1);
    const TJson& recording = result["recording"];
    EXPECT_EQ(recording["program"], "C:\\Setup\\setup.exe");
    EXPECT_EQ(recording["started"], "2023-03-15T12:00:00.000");
    EXPECT_EQ(recording["stopped"], "2023-03-15T18:00:00.000");
    EXPECT_EQ(recording["startReason"], "manual");
    EXPECT_EQ(recording["stopReason"], "programExit");
    EXPECT_TRUE(recording["programExitCode"].is_null());
    EXPECT_EQ(recording["digest"], "md5");
    FRecording.ProgramExitCode = 0xC0000005;
    EXPECT_EQ(Result()["recording"]["programExitCode"], 0xC0000005);
    EXPECT_EQ(result["captureNotes"]["total"], 0);
    for (const char* list : {"processes", "diskUsage", "fileEvents", "shellEvents"}) {
        EXPECT_TRUE(result[list].is_array()) << list;
    }
    EXPECT_EQ(result["registry"]["roots"].size(), 5u);
    EXPECT_FALSE(result["registry"]["roots"][0]["compared"]);
    EXPECT_TRUE(result["fileScan"]["entries"].empty());
}

TEST_F(JsonResultTest, GivesEachValueTypeItsReadableFormAndTheExactTypeAndSize) {
    TRootLists& user = FResults.Root(TRegRoot::CurrentUser);
    const std::string_view key = "\\Software\\App\\";
    TResultStore::AddKey(user.KeysAfter, key);
    const auto add = [&](std::string_view name, std::uint32_t type, const std::vector<std::uint8_t>& data) {
        TResultStore::AddValue(user.ValuesAfter, key, name, type, data);
    };
    add("sz", kRegSz, EncodeRegString("C:\\App \xE6\x97\xA5"));
    add("zero inside", kRegSz, Bytes({'a', 0, 0, 0, 'b', 0, 0, 0}));
    add("expand", kRegExpandSz, EncodeRegString("%TEMP%"));
    add("dword", kRegDword, Bytes({0xFF, 0xFF, 0xFF, 0xFF}));
    add("qword", kRegQword, Bytes({1, 0, 0, 0, 0, 0, 0, 0x80}));
    add("big endian", kRegDwordBigEndian, Bytes({0, 0, 1, 0}));
    add("short dword", kRegDword, Bytes({1, 2}));
    add("multi", kRegMultiSz, Bytes({'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}));
    add("empty multi", kRegMultiSz, Bytes({0, 0}));
    add("odd multi", kRegMultiSz, Bytes({'a', 0, 0}));
    add("multi ending in empty strings", kRegMultiSz, Bytes({'a', 0, 0, 0, 0, 0, 0, 0}));
    add("multi without its closing empty string", kRegMultiSz, Bytes({'a', 0, 0, 0}));
    add("multi without bytes", kRegMultiSz, {});
    add("multi with an empty string inside", kRegMultiSz, Bytes({'a', 0, 0, 0, 0, 0, 'b', 0, 0, 0, 0, 0}));
    add("binary", kRegBinary, Bytes({0, 0xAB, 0xFF}));
    add("none", kRegNone, {});
    add("device", 0xFFFF0012, Bytes({4}));
    const TJson result = Result();

    struct TCase {
        const char* Name;
        TJson Data;
    };
    const TCase cases[] = {
        {"sz", {{"type", "REG_SZ"}, {"typeNumber", 1}, {"size", 18}, {"text", "C:\\App \xE6\x97\xA5"}}},
        {"zero inside",
         {{"type", "REG_SZ"}, {"typeNumber", 1}, {"size", 8}, {"text", "a"}, {"hex", "6100000062000000"}}},
        {"expand", {{"type", "REG_EXPAND_SZ"}, {"typeNumber", 2}, {"size", 14}, {"text", "%TEMP%"}}},
        {"dword", {{"type", "REG_DWORD"}, {"typeNumber", 4}, {"size", 4}, {"number", 4294967295u}}},
        {"qword", {{"type", "REG_QWORD"}, {"typeNumber", 11}, {"size", 8}, {"number", 0x8000000000000001u}}},
        {"big endian", {{"type", "REG_DWORD_BIG_ENDIAN"}, {"typeNumber", 5}, {"size", 4}, {"number", 256}}},
        {"short dword", {{"type", "REG_DWORD"}, {"typeNumber", 4}, {"size", 2}, {"hex", "0102"}}},
        {"multi", {{"type", "REG_MULTI_SZ"}, {"typeNumber", 7}, {"size", 10}, {"strings", {"a", "b"}}}},
        {"empty multi", {{"type", "REG_MULTI_SZ"}, {"typeNumber", 7}, {"size", 2}, {"strings", TJson::array()}}},
        {"odd multi", {{"type", "REG_MULTI_SZ"}, {"typeNumber", 7}, {"size", 3}, {"hex", "610000"}}},
        {"multi ending in empty strings",
         {{"type", "REG_MULTI_SZ"}, {"typeNumber", 7}, {"size", 8}, {"strings", {"a"}}, {"hex", "6100000000000000"}}},
        {"multi without its closing empty string",
         {{"type", "REG_MULTI_SZ"}, {"typeNumber", 7}, {"size", 4}, {"strings", {"a"}}, {"hex", "61000000"}}},
        {"multi without bytes",
         {{"type", "REG_MULTI_SZ"}, {"typeNumber", 7}, {"size", 0}, {"strings", TJson::array()}, {"hex", ""}}},
        {"multi with an empty string inside",
         {{"type", "REG_MULTI_SZ"}, {"typeNumber", 7}, {"size", 12}, {"strings", {"a", "", "b"}}}},
        {"binary", {{"type", "REG_BINARY"}, {"typeNumber", 3}, {"size", 3}, {"hex", "00abff"}}},
        {"none", {{"type", "REG_NONE"}, {"typeNumber", 0}, {"size", 0}, {"hex", ""}}},
        {"device", {{"type", nullptr}, {"typeNumber", 0xFFFF0012u}, {"size", 1}, {"hex", "04"}}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const TJson value = Value(result, c.Name);
        ExpectChange(value, {"created"});
        ExpectValueData(value["new"]);
        EXPECT_EQ(value["new"], c.Data);
        EXPECT_EQ(value["root"], "HKEY_CURRENT_USER");
        EXPECT_EQ(value["key"], key);
    }
}

TEST_F(JsonResultTest, EveryResultRecordHasItsChangeItsIncludedFlagAndTypedStates) {
    TRootLists& machine = FResults.Root(TRegRoot::LocalMachine);
    TResultStore::AddKey(machine.KeysBefore, "\\Gone\\", false);
    TResultStore::AddKey(machine.KeysAfter, "\\New\\");
    TResultStore::AddKey(machine.ModifiedKeysBefore, "\\Kept\\", true, 45000.0);
    TResultStore::AddKey(machine.ModifiedKeysAfter, "\\Kept\\", true, 45000.5);
    TResultStore::AddValue(machine.ValuesBefore, "\\Gone\\", "old", kRegSz, EncodeRegString("o"), false);
    TResultStore::AddValue(machine.ModifiedValuesBefore, "\\Kept\\", "m", kRegSz, EncodeRegString("1"));
    TResultStore::AddValue(machine.ModifiedValuesAfter, "\\Kept\\", "m", kRegDword, Bytes({2, 0, 0, 0}));
    TSessionStore& store = FResults.Store;
    store.FilesRecorded = store.FilesCompared = true;
    TResultStore::AddFile(store.FilesAfter, "C:\\App\\", 0);
    TResultStore::AddFile(store.FilesBefore, "C:\\old.txt", 3, false);
    TResultStore::AddFile(store.ModifiedFilesBefore, "C:\\conf.ini", 10);
    TResultStore::AddFile(store.ModifiedFilesAfter, "C:\\conf.ini", 12);
    store.ModifiedFilesAfter.Record(0)->Hash = store.ModifiedFilesAfter.Keep("ABCD");
    store.ModifiedFilesAfter.Record(0)->LastWrite = 133000000000000000;
    store.ModifiedFilesAfter.Record(0)->Date = 45000.5;
    store.FileWatch()->AddFileWatchEvent(4, "C:\\App\\a.tmp");
    AddShellEvent(store.ShellEvents, 45000.6, 0x8, 0x8, "C:\\App", "");
    AddShellEvent(store.ShellEvents, 45000.6, 0x40000000, 0x40000000, "C:\\x", "C:\\y");
    store.ShellEvents.Record(1)->Included = 0;
    store.ProcessesBefore.Add("svc.exe", std::make_unique<TProcessRecord>(TProcessRecord{10, 1, 3, 8, 0}));
    store.ProcessesBefore.Add("gone.exe", std::make_unique<TProcessRecord>(TProcessRecord{11, 1, 1, 8, 0}));
    store.ProcessesAfter.Add("svc.exe", std::make_unique<TProcessRecord>(TProcessRecord{10, 1, 5, 8, 0}));
    store.ProcessesAfter.Add("setup.exe", std::make_unique<TProcessRecord>(TProcessRecord{12, 10, 2, 8, 0}));
    store.DiskFreeBefore[2] = 1000;
    store.DiskFreeAfter[2] = 900;
    store.DiskFreeAfter[3] = 50;
    store.BeforeNotes.Add("Could not list", "C:\\System Volume Information\\ (access denied)");
    store.FileWatch()->AddNote("Events lost", "C:\\ (buffer overflow)");
    const TJson result = Result();

    const TJson& keys = result["registry"]["keys"];
    ASSERT_EQ(keys.size(), 3u);
    for (const TJson& key : keys) {
        ExpectChange(key, {"created", "deleted", "modified"});
        EXPECT_EQ(key["root"], "HKEY_LOCAL_MACHINE");
        for (const char* side : {"old", "new"}) {
            if (key.contains(side)) {
                EXPECT_TRUE(IsLocalTime(key[side]["lastWrite"]));
            }
        }
    }
    EXPECT_EQ(keys[0]["path"], "\\Kept\\");
    EXPECT_EQ(keys[1]["included"], false);
    const TJson& values = result["registry"]["values"];
    ASSERT_EQ(values.size(), 2u);
    for (const TJson& value : values) {
        ExpectChange(value, {"created", "deleted", "modified"});
        for (const char* side : {"old", "new"}) {
            if (value.contains(side)) {
                ExpectValueData(value[side]);
            }
        }
    }
    EXPECT_EQ(values[0]["new"]["number"], 2);
    EXPECT_EQ(values[1]["included"], false);

    EXPECT_EQ(result["fileScan"]["digest"], "md5");
    const TJson& files = result["fileScan"]["entries"];
    ASSERT_EQ(files.size(), 3u);
    for (const TJson& file : files) {
        ExpectChange(file, {"created", "deleted", "modified"});
        EXPECT_TRUE(file["directory"].is_boolean());
        for (const char* side : {"old", "new"}) {
            if (file.contains(side)) {
                ExpectFileState(file[side]);
            }
        }
    }
    EXPECT_EQ(files[0]["changed"], TJson({"size", "date"}));
    EXPECT_EQ(files[0]["new"]["digest"], "ABCD");
    EXPECT_EQ(files[0]["old"]["digest"], nullptr);
    EXPECT_TRUE(IsUtcTime(files[0]["new"]["lastWriteUtc"]));
    EXPECT_EQ(files[1]["included"], false);
    EXPECT_EQ(files[2]["directory"], true);

    ASSERT_EQ(result["fileEvents"].size(), 1u);
    const TJson& event = result["fileEvents"][0];
    EXPECT_EQ(event["path"], "C:\\App\\a.tmp");
    EXPECT_EQ(event["action"], 4);
    EXPECT_EQ(event["change"], "renamedFrom");
    EXPECT_TRUE(IsLocalTime(event["time"]));
    EXPECT_EQ(event["included"], true);

    const TJson& shell = result["shellEvents"];
    ASSERT_EQ(shell.size(), 2u);
    EXPECT_EQ(shell[0]["event"], "SHCNE_MKDIR");
    EXPECT_EQ(shell[0]["path2"], nullptr);
    EXPECT_EQ(shell[1]["event"], nullptr);
    EXPECT_EQ(shell[1]["kind"], 0x40000000);
    EXPECT_EQ(shell[1]["included"], false);

    const TJson& processes = result["processes"];
    ASSERT_EQ(processes.size(), 3u);
    for (const TJson& process : processes) {
        ExpectChange(process, {"ended", "started", "changed", "unchanged"});
        EXPECT_TRUE(process["name"].is_string());
    }
    EXPECT_EQ(processes[0]["name"], "gone.exe");
    EXPECT_EQ(processes[0]["change"], "ended");
    EXPECT_EQ(processes[1]["change"], "changed");
    EXPECT_EQ(processes[1]["new"]["threads"], 5);
    EXPECT_EQ(processes[2]["name"], "setup.exe");
    EXPECT_EQ(processes[2]["change"], "started");

    EXPECT_EQ(result["diskUsage"], TJson::parse(R"([
        {"drive": "C:\\", "freeBefore": 1000, "freeAfter": 900, "included": true},
        {"drive": "D:\\", "freeBefore": null, "freeAfter": 50, "included": true}])"));

    const TJson& notes = result["captureNotes"];
    EXPECT_EQ(notes["total"], 2);
    EXPECT_EQ(notes["before"][0]["kind"], "Could not list");
    EXPECT_EQ(notes["before"][0]["count"], 1);
    EXPECT_EQ(notes["after"][0]["examples"][0], "C:\\ (buffer overflow)");
}

TEST(JsonText, CarriesEveryRecordedTextExactlyAndStaysValidUtf8) {
    struct TCase {
        std::string Recorded;
        std::string Json;
    };
    const TCase cases[] = {
        {"C:\\App \"x\"", R"("C:\\App \"x\"")"},
        {std::string("\0\x01\b\t\n\f\r\x1F\x7F", 9), R"("\u0000\u0001\b\t\n\f\r\u001f)"
                                                     "\x7F\""},
        {"\xE6\x97\xA5 \xF0\x9D\x84\x9E", "\"\xE6\x97\xA5 \xF0\x9D\x84\x9E\""},
        {"a\xED\xA0\x80", R"("a\ud800")"},
        {"\xED\xBF\xBFz", R"("\udfffz")"},
        {"\xED\xB0\x80\xED\xA0\x80", R"("\udc00\ud800")"},
        {"\xFF\xE4\xB8", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Json);
        std::string json;
        AppendJson(json, quill::TJson{{c.Recorded, {c.Recorded}}});
        EXPECT_EQ(json, "{" + c.Json + ":[" + c.Json + "]}");
    }
}

TEST_F(JsonResultTest, AFileEventOnAScannedDirectoryEndsWithABackslash) {
    TSessionStore& store = FResults.Store;
    TResultStore::AddFile(store.FilesAfter, "C:\\App\\", 0);
    TResultStore::AddFile(store.FilesAfter, "C:\\App\\a.txt", 1);
    TResultStore::AddFile(store.FilesBefore, "C:\\Old\\", 0);
    const std::pair<std::string, std::string> cases[] = {
        {"C:\\App", "C:\\App\\"},       {"C:\\app", "C:\\app\\"},
        {"C:\\Old", "C:\\Old\\"},       {"C:\\App\\a.txt", "C:\\App\\a.txt"},
        {"C:\\Unknown", "C:\\Unknown"}, {"C:\\Watched\\", "C:\\Watched\\"},
    };
    for (const auto& [journalled, path] : cases) {
        store.FileWatch()->AddFileWatchEvent(2, journalled);
    }
    const TJson events = Result()["fileEvents"];
    ASSERT_EQ(events.size(), std::size(cases));
    for (std::size_t i = 0; i < events.size(); ++i) {
        EXPECT_EQ(events[i]["path"], cases[i].second);
    }
}

} // namespace
} // namespace quill
