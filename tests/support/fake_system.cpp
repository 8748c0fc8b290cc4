// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/fake_system.h"

#include <cerrno>
#include <optional>
#include <utility>

namespace posteri {

void FakeSystem::fail(Operation operation, const std::string& path, int error) {
    if (error == 0) {
        failures_.erase({operation, path});
    } else {
        failures_[{operation, path}] = error;
    }
}

int FakeSystem::start(Operation operation, const std::string& path, std::string_view bytes) {
    calls.push_back(Call{operation, path, std::string(bytes)});
    const auto failure = failures_.find({operation, path});
    if (failure != failures_.end()) return failure->second;
    return folders.contains(path) && operation != Operation::SetWorkingDirectory ? EISDIR : 0;
}

int FakeSystem::set_working_directory(const std::string& path) {
    if (const int error = start(Operation::SetWorkingDirectory, path)) return error;
    cwd = path;
    return 0;
}

FileKind FakeSystem::file_kind(const std::string& path) {
    if (files.contains(path)) return FileKind::Regular;
    if (folders.contains(path)) return FileKind::Folder;
    const auto other = others.find(path);
    return other == others.end() ? FileKind::Missing : other->second;
}

int FakeSystem::delete_file(const std::string& path) {
    if (const int error = start(Operation::DeleteFile, path)) return error;
    return files.erase(path) == 1 ? 0 : ENOENT;
}

namespace {

// The first part of `path` below `folder`, and whether more follows it; nothing when the path is
// not below the folder.
std::optional<std::pair<std::string, bool>> part_below(const std::string& path, const std::string& folder) {
    const std::string prefix = folder.ends_with('/') ? folder : folder + "/";
    if (!path.starts_with(prefix) || path.size() == prefix.size()) return std::nullopt;
    const std::string rest = path.substr(prefix.size());
    const std::size_t slash = rest.find('/');
    return std::make_pair(rest.substr(0, slash), slash != std::string::npos);
}

}  // namespace

int FakeSystem::list_directory(const std::string& path, std::vector<DirectoryEntry>& entries) {
    entries.clear();
    if (const int error = start(Operation::ListDirectory, path)) return error;
    if (files.contains(path)) return ENOTDIR;
    std::map<std::string, bool> found;  // name, is folder
    for (const auto& [file, bytes] : files) {
        if (const auto part = part_below(file, path)) found[part->first] = found[part->first] || part->second;
    }
    for (const std::string& folder : folders) {
        if (const auto part = part_below(folder, path)) found[part->first] = true;
    }
    if (found.empty() && !folders.contains(path)) return ENOENT;
    for (const auto& [name, is_folder] : found) {
        entries.push_back(DirectoryEntry{name, is_folder, unusable_names.contains(name)});
    }
    return 0;
}

int FakeSystem::read_file(const std::string& path, std::string& bytes) {
    bytes.clear();
    if (const int error = start(Operation::ReadFile, path)) return error;
    const auto file = files.find(path);
    if (file == files.end()) return ENOENT;
    bytes = file->second;
    return 0;
}

int FakeSystem::replace_file(const std::string& path, std::string_view bytes) {
    if (const int error = start(Operation::ReplaceFile, path, bytes)) return error;
    files[path] = std::string(bytes);
    return 0;
}

int FakeSystem::append_file(const std::string& path, std::string_view bytes) {
    if (const int error = start(Operation::AppendFile, path, bytes)) return error;
    files[path] += bytes;
    return 0;
}

double FakeSystem::seconds_of_day() {
    if (clock.empty()) return 0;
    const double now = clock.front();
    if (clock.size() > 1) clock.pop_front();
    return now;
}

double FakeSystem::random_unit() {
    if (randoms.empty()) return 0;
    const double value = randoms.front();
    randoms.pop_front();
    return value;
}

}  // namespace posteri
