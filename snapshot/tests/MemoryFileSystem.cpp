#include "snapshot/tests/MemoryFileSystem.h"

#include "common/TextCompare.h"

#include <algorithm>
#include <cstring>

namespace quill {

class TMemoryFileSystem::TReader : public IFileReader {
public:
    TReader(TMemoryFileSystem& owner, const TNode& node) : FOwner(owner), FNode(node) {}

    TFsResult Read(std::uint8_t* buffer, std::size_t size, std::size_t& read) override {
        ++FOwner.FReads;
        FOwner.FLargestRead = std::max(FOwner.FLargestRead, size);
        read = std::min(size, FNode.Content.size() - FPosition);
        if (read == 0 && FNode.ReadFails) {
            return TFsStatus::Failed;
        }
        if (read != 0) {
            std::memcpy(buffer, FNode.Content.data() + FPosition, read);
        }
        FPosition += read;
        return {};
    }

private:
    TMemoryFileSystem& FOwner;
    const TNode& FNode;
    std::size_t FPosition = 0;
};

namespace {

TMemoryFileSystem::TNode* Child(TMemoryFileSystem::TNode& parent, std::string_view name) {
    for (auto& child : parent.Children) {
        if (parent.CaseSensitive ? child->Name == name : SameText(child->Name, name)) {
            return child.get();
        }
    }
    for (auto& child : parent.Children) {
        if (!child->ShortName.empty() && SameText(child->ShortName, name)) {
            return child.get();
        }
    }
    return nullptr;
}

std::string_view WithoutTrailingDotsAndBlanks(std::string_view step) {
    while (!step.empty() && (step.back() == '.' || step.back() == ' ')) {
        step.remove_suffix(1);
    }
    return step;
}

} // namespace

TMemoryFileSystem::TNode* TMemoryFileSystem::Walk(std::string_view path, bool create, std::uint32_t attributes,
                                                  std::uint64_t lastWrite) {
    TNode* node = &FRoot;
    while (!path.empty()) {
        const std::size_t end = path.find('\\');
        const std::string_view name = path.substr(0, end);
        path = end == std::string_view::npos ? std::string_view() : path.substr(end + 1);
        if (name.empty()) {
            continue;
        }
        TNode* next = Child(*node, name);
        if (next == nullptr) {
            if (!create) {
                return nullptr;
            }
            auto made = std::make_unique<TNode>();
            made->Name = std::string(name);
            made->Attributes = attributes;
            made->LastWrite = lastWrite;
            next = made.get();
            node->Children.push_back(std::move(made));
        }
        node = next;
    }
    return node;
}

void TMemoryFileSystem::ExpandShortNames(std::vector<std::string>& steps) {
    std::vector<std::string> expanded;
    TNode* node = &FRoot;
    for (const auto& step : steps) {
        node = Child(*node, step);
        if (node == nullptr) {
            return;
        }
        expanded.push_back(SameText(node->ShortName, step) ? node->Name : step);
    }
    steps = std::move(expanded);
}

TFsResult TMemoryFileSystem::FullPath(std::string_view path, std::string& full) {
    std::string text(path);
    std::replace(text.begin(), text.end(), '/', '\\');
    if (text.size() < 2 || text[1] != ':') {
        return {TFsStatus::Failed, "not a full path"};
    }
    const bool trailing = text.back() == '\\';
    std::vector<std::string> steps;
    std::string_view rest(text);
    while (!rest.empty()) {
        const std::size_t end = rest.find('\\');
        std::string_view step = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (step == "..") {
            if (steps.size() > 1) {
                steps.pop_back();
            }
            continue;
        }
        if (end == std::string_view::npos) {
            step = WithoutTrailingDotsAndBlanks(step);
        }
        if (!step.empty() && step != ".") {
            steps.emplace_back(step);
        }
    }
    ExpandShortNames(steps);
    full.clear();
    for (const auto& step : steps) {
        if (!full.empty()) {
            full.push_back('\\');
        }
        full.append(step);
    }
    if (trailing || steps.size() == 1) {
        full.push_back('\\');
    }
    return {};
}

TFsResult TMemoryFileSystem::ListDirectory(std::string_view directory, const TEntryVisitor& visit) {
    const TNode* node = Walk(directory, false, 0, 0);
    if (node == nullptr || node == &FRoot || (node->Attributes & kAttrDirectory) == 0) {
        return TFsStatus::NotFound;
    }
    if (node->Denied) {
        return TFsStatus::AccessDenied;
    }
    for (const auto& child : node->Children) {
        visit(TDirEntry{child->Name, child->Attributes, child->Size, child->LastWrite});
    }
    return TFsStatus::Ok;
}

TFsResult TMemoryFileSystem::OpenRead(std::string_view path, std::unique_ptr<IFileReader>& reader) {
    const TNode* node = Walk(path, false, 0, 0);
    if (node == nullptr || node == &FRoot) {
        return TFsStatus::NotFound;
    }
    if (node->Denied || (node->Attributes & kAttrDirectory) != 0) {
        return TFsStatus::AccessDenied;
    }
    if (node->Locked) {
        return TFsStatus::InUse;
    }
    reader = std::make_unique<TReader>(*this, *node);
    return TFsStatus::Ok;
}

TMemoryFileSystem::TNode& TMemoryFileSystem::AddDirectory(std::string_view path, std::uint32_t attributes,
                                                          std::uint64_t lastWrite) {
    TNode& node = *Walk(path, true, kAttrDirectory, lastWrite);
    node.Attributes = attributes | kAttrDirectory;
    node.LastWrite = lastWrite;
    return node;
}

TMemoryFileSystem::TNode& TMemoryFileSystem::AddFile(std::string_view path, std::string_view content,
                                                     std::uint32_t attributes, std::uint64_t lastWrite) {
    TNode& node = *Walk(path, true, kAttrDirectory, lastWrite);
    node.Attributes = attributes;
    node.LastWrite = lastWrite;
    node.Content = std::string(content);
    node.Size = content.size();
    return node;
}

TMemoryFileSystem::TNode* TMemoryFileSystem::Find(std::string_view path) {
    return Walk(path, false, 0, 0);
}

} // namespace quill
