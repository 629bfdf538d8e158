// Plain files the game writes and reads back: saves are atomic (a temporary
// file beside the target, flushed to disk, renamed over it, the folder flushed),
// so a crash or a full disk never leaves a half-written file in its place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

// The call every save writes its bytes through (::write); tests put one in its
// place that fails part-way, as a full disk or a crash would.
extern ssize_t (*FileWriteCall)(int fd, const void* data, size_t size);

// Creates the folder when missing. False (and the old file untouched) on any failure.
bool SaveFileAtomic(const std::string& path, const void* data, size_t size);
inline bool SaveFileAtomic(const std::string& path, const std::vector<uint8_t>& bytes) {
    return SaveFileAtomic(path, bytes.data(), bytes.size());
}

// The whole file, or nothing when it cannot be read.
std::optional<std::vector<uint8_t>> LoadPlainFile(const std::string& path);

// Renames a file that could not be read to "<name>.damaged-<time>" so that the
// next save does not overwrite it. Returns the new path, or "" on failure.
std::string KeepAsideDamaged(const std::string& path);
