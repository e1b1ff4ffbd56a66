#include "report/ReportName.h"

namespace quill {

namespace {

constexpr std::size_t kPrefixLength = 14; // "yymmdd hhnnss "

bool IsDigit(char c) noexcept {
    return c >= '0' && c <= '9';
}

bool HasPrefix(std::string_view name) noexcept {
    if (name.size() < kPrefixLength || name[6] != ' ' || name[13] != ' ') {
        return false;
    }
    for (std::size_t i = 0; i < 13; ++i) {
        if (i != 6 && !IsDigit(name[i])) {
            return false;
        }
    }
    return true;
}

void AppendTwoDigits(std::string& out, int value) {
    out += static_cast<char>('0' + value / 10 % 10);
    out += static_cast<char>('0' + value % 10);
}

} // namespace

std::string_view ReportFolder(std::string_view path) noexcept {
    const std::size_t slash = path.find_last_of('\\');
    return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1);
}

std::string PrefixReportName(std::string_view path, TDateTime now) {
    const std::string_view folder = ReportFolder(path);
    std::string_view name = path.substr(folder.size());
    if (HasPrefix(name)) {
        name.remove_prefix(kPrefixLength);
    }
    const TCalendarTime time = DecodeDateTime(now);
    std::string result(folder);
    AppendTwoDigits(result, time.Year);
    AppendTwoDigits(result, time.Month);
    AppendTwoDigits(result, time.Day);
    result += ' ';
    AppendTwoDigits(result, time.Hour);
    AppendTwoDigits(result, time.Minute);
    AppendTwoDigits(result, time.Second);
    result += ' ';
    result += name;
    return result;
}

std::string ComposeReportPath(const TSettings& settings, const std::string& executableDirectory) {
    std::string path = settings.ReadString("ReportDir", executableDirectory);
    // The stored folder usually ends with a backslash already; a second one
    // would only show up in the report's links.
    if (path.empty() || (path.back() != '\\' && path.back() != '/')) {
        path += '\\';
    }
    return path + std::string(kReportFileName);
}

} // namespace quill
