#include "assets/MassFile.h"

#include "app/FileSave.h"
#include "app/Log.h"
#include "app/Paths.h"
#include "app/SiteTrace.h"

#include <cstdio>
#include <exception>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

const char MassFileId[MassFileIdLength + 1] = "RollixMSF01";

TMassFile MassFile;

bool WriteMassFile(const std::vector<TMassFileInput>& entries, std::vector<uint8_t>& archive,
                   std::string& why) {
    std::vector<std::string> keys;
    std::unordered_map<std::string, std::vector<const TMassFileInput*>> byKey;
    for (const TMassFileInput& e : entries) {
        auto& list = byKey[e.FolderKey];
        if (list.empty()) keys.push_back(e.FolderKey);
        list.push_back(&e);
    }
    TByteWriter out;
    out.WriteBlock(MassFileId, MassFileIdLength);
    out.WriteInt32(int32_t(keys.size()));
    int64_t offset = 0;
    std::vector<const TMassFileInput*> order;
    for (const std::string& key : keys) {
        out.WriteString(key);
        out.WriteInt32(int32_t(byKey[key].size()));
        for (const TMassFileInput* e : byKey[key]) {
            if (offset + int64_t(e->Bytes.size()) > INT32_MAX) {
                why = "the archive would pass 2 GiB at " + key + e->Name;
                return false;
            }
            out.WriteString(e->Name);
            out.WriteInt32(int32_t(e->Bytes.size()));
            out.WriteInt32(int32_t(offset));
            offset += int64_t(e->Bytes.size());
            order.push_back(e);
        }
    }
    for (const TMassFileInput* e : order)
        out.WriteBlock(e->Bytes.data(), e->Bytes.size());
    archive = std::move(out.Bytes);
    return true;
}

char UpperAnsi(char c) {
    uint8_t u = uint8_t(c);
    if (u >= 'a' && u <= 'z') return char(u - 32);
    if (u >= 0xE0 && u <= 0xFE && u != 0xF7) return char(u - 32);
    switch (u) {
    case 0x9A:
        return char(0x8A);
    case 0x9C:
        return char(0x8C);
    case 0x9E:
        return char(0x8E);
    case 0xFF:
        return char(0x9F);
    default:
        return c;
    }
}

std::string UpperAnsi(std::string s) {
    for (char& c : s)
        c = UpperAnsi(c);
    return s;
}

bool SplitArchivePath(const std::string& path, size_t appDirLength, std::string& folderKey,
                      std::string& fileKey) {
    size_t slash = path.rfind('\\');
    if (slash == std::string::npos) return false;
    if (slash < 5) return false;
    std::string folder = slash > appDirLength ? path.substr(appDirLength, slash - appDirLength) : "";
    folderKey = UpperAnsi(folder);
    if (folderKey.empty() || folderKey.back() != '\\') folderKey += '\\';
    fileKey = UpperAnsi(path.substr(slash + 1));
    return true;
}

namespace {
// Reads the directory from the front of an archive, checking every count and
// length against the bytes the file really has.
class TDirReader {
  public:
    TDirReader(FILE* f, int64_t length) : F(f), Length(length) {}
    int64_t Pos = 0;
    bool Bad = false;
    std::string Why;

    int64_t Left() const { return Length - Pos; }

    bool Bytes(void* p, size_t n) {
        if (Bad) return false;
        if (int64_t(n) > Left() || std::fread(p, 1, n, F) != n)
            return Fail("the directory runs past the end");
        Pos += int64_t(n);
        return true;
    }
    int32_t Int32() {
        uint8_t b[4] = {0, 0, 0, 0};
        Bytes(b, 4);
        return int32_t(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24);
    }
    std::string String() {
        int32_t n = Int32();
        if (Bad) return {};
        if (n < 0) {
            Fail("a negative name length");
            return {};
        }
        if (n > Left()) {
            Fail("a name longer than the file");
            return {};
        }
        if (n == 0 || n > MaxStoredStringLength) {
            // An over-long string reads as empty; only its length is consumed.
            return {};
        }
        std::string s(size_t(n), '\0');
        Bytes(s.data(), size_t(n));
        return s;
    }
    bool Fail(const std::string& why) {
        if (!Bad) Why = why;
        Bad = true;
        return false;
    }

  private:
    FILE* F;
    int64_t Length;
};
} // namespace

TMassFileFile::TMassFileFile(const std::string& path) : Path(path) {
    RecordSite(7101);
    Fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (Fd < 0) return;
    struct stat st {};
    if (::fstat(Fd, &st) != 0) {
        Close();
        return;
    }
    FileLength = st.st_size;
    if (!ReadDirectory()) Close();
}

TMassFileFile::~TMassFileFile() {
    Close();
}

void TMassFileFile::Close() {
    if (Fd >= 0) ::close(Fd);
    Fd = -1;
    Dirs.clear();
    FirstDir.clear();
    FirstFile.clear();
}

bool TMassFileFile::ReadDirectory() {
    int dupFd = ::dup(Fd);
    FILE* f = dupFd >= 0 ? ::fdopen(dupFd, "rb") : nullptr;
    if (!f) {
        if (dupFd >= 0) ::close(dupFd);
        LogLine("skipped the archive " + Path + ": it cannot be read");
        return false;
    }
    TDirReader in(f, FileLength);
    char id[MassFileIdLength];
    in.Bytes(id, MassFileIdLength);
    int32_t dirCount = in.Int32();
    if (!in.Bad && dirCount < 0) in.Fail("a negative folder count");
    // A folder record takes at least 8 bytes, a file record at least 12.
    if (!in.Bad && int64_t(dirCount) * 8 > in.Left()) in.Fail("more folders than the file can hold");
    if (!in.Bad) Dirs.resize(size_t(dirCount));
    for (int32_t d = 0; d < dirCount && !in.Bad; ++d) {
        TMassDirHeader& dir = Dirs[size_t(d)];
        dir.StoredKey = in.String();
        dir.Key = UpperAnsi(dir.StoredKey);
        int32_t fileCount = in.Int32();
        if (in.Bad) break;
        if (fileCount < 0) {
            in.Fail("a negative file count");
            break;
        }
        if (int64_t(fileCount) * 12 > in.Left()) {
            in.Fail("more files than the file can hold");
            break;
        }
        dir.Files.resize(size_t(fileCount));
        for (TMassFileHeader& file : dir.Files) {
            file.StoredName = in.String();
            file.Name = UpperAnsi(file.StoredName);
            file.Size = in.Int32();
            file.Offset = in.Int32();
            if (in.Bad) break;
        }
    }
    std::fclose(f);
    if (!in.Bad) {
        DataPos = in.Pos;
        for (const TMassDirHeader& dir : Dirs)
            for (const TMassFileHeader& file : dir.Files)
                if (file.Size < 0 || file.Offset < 0 ||
                    DataPos + int64_t(file.Offset) + int64_t(file.Size) > FileLength) {
                    in.Fail("the entry " + dir.Key + file.Name + " lies beyond the end of the file");
                    break;
                }
    }
    if (in.Bad) {
        LogLine("skipped the damaged archive " + Path + ": " + in.Why);
        return false;
    }
    FirstFile.resize(Dirs.size());
    for (size_t d = 0; d < Dirs.size(); ++d) {
        FirstDir.try_emplace(Dirs[d].Key, int32_t(d));
        for (size_t i = 0; i < Dirs[d].Files.size(); ++i)
            FirstFile[d].try_emplace(Dirs[d].Files[i].Name, int32_t(i));
    }
    return true;
}

const TMassFileHeader* TMassFileFile::FindKey(const THashedKey& folderKey, const THashedKey& fileKey) const {
    auto dir = FirstDir.find(folderKey);
    if (dir == FirstDir.end()) return nullptr;
    const auto& names = FirstFile[size_t(dir->second)];
    auto file = names.find(fileKey);
    if (file == names.end()) return nullptr;
    return &Dirs[size_t(dir->second)].Files[size_t(file->second)];
}

const TMassFileHeader* TMassFileFile::Find(const std::string& path) const {
    std::string folderKey, fileKey;
    if (!SplitArchivePath(path, AppDir.size(), folderKey, fileKey)) return nullptr;
    return FindKey(folderKey, fileKey);
}

bool TMassFileFile::Contains(const std::string& path) const {
    return Find(path) != nullptr;
}

int32_t TMassFileFile::EntrySize(const std::string& path) const {
    const TMassFileHeader* entry = Find(path);
    return entry ? entry->Size : -1;
}

bool TMassFileFile::ReadHeader(const TMassFileHeader& entry, std::vector<uint8_t>& data) const {
    data.assign(size_t(entry.Size), 0);
    size_t done = 0;
    while (done < data.size()) {
        ssize_t r =
            ::pread(Fd, data.data() + done, data.size() - done, DataPos + entry.Offset + int64_t(done));
        if (r <= 0) {
            LogLine("cannot read " + entry.Name + " from " + Path);
            data.clear();
            return false;
        }
        done += size_t(r);
    }
    return true;
}

bool TMassFileFile::ReadEntry(const std::string& path, std::vector<uint8_t>& data) const {
    const TMassFileHeader* entry = Find(path);
    if (!entry) return false;
    return ReadHeader(*entry, data);
}

void TMassFile::Create() {
    RecordSite(7102);
    Clear();
    AddArchive(AppDir + "Rollix.msf");
    for (int n = 2; n <= 20; ++n)
        AddArchive(AppDir + "Rollix" + std::to_string(n) + ".msf");
}

void TMassFile::AddArchive(const std::string& path) {
    if (::access(path.c_str(), F_OK) != 0) return;
    auto archive = std::make_unique<TMassFileFile>(path);
    if (archive->Valid()) Files.push_back(std::move(archive));
}

void TMassFile::Clear() {
    Files.clear();
    FoundFiles.clear();
}

const TMassFileFile* TMassFile::Owner(const std::string& path, const TMassFileHeader** entry) const {
    std::string folderKey, fileKey;
    if (!SplitArchivePath(path, AppDir.size(), folderKey, fileKey)) return nullptr;
    const THashedKey folder(folderKey), file(fileKey);
    for (auto it = Files.rbegin(); it != Files.rend(); ++it) {
        if (const TMassFileHeader* e = (*it)->FindKey(folder, file)) {
            *entry = e;
            return it->get();
        }
    }
    return nullptr;
}

bool TMassFile::Contains(const std::string& path) const {
    const TMassFileHeader* entry = nullptr;
    return Owner(path, &entry) != nullptr;
}

bool TMassFile::ReadFile(const std::string& path, std::vector<uint8_t>& data) const {
    RecordSite(7103);
    const TMassFileHeader* entry = nullptr;
    const TMassFileFile* owner = Owner(path, &entry);
    if (!owner) {
        data.clear();
        return false;
    }
    return owner->ReadHeader(*entry, data);
}

int32_t TMassFile::FileSize(const std::string& path) const {
    const TMassFileHeader* entry = nullptr;
    return Owner(path, &entry) ? entry->Size : 0;
}

int32_t TMassFile::ListFiles(const std::string& folderKey, const std::string& extension) {
    RecordSite(7104);
    FoundFiles.clear();
    std::string key = UpperAnsi(folderKey);
    std::string ext = UpperAnsi(extension);
    std::unordered_map<std::string, bool> seen;
    for (auto it = Files.rbegin(); it != Files.rend(); ++it) {
        for (const TMassDirHeader& dir : (*it)->Dirs) {
            if (dir.Key != key) continue;
            for (const TMassFileHeader& file : dir.Files) {
                if (ext != ".*") {
                    size_t dot = file.Name.rfind('.');
                    if (dot == std::string::npos || file.Name.substr(dot) != ext) continue;
                }
                std::string found = dir.Key + file.Name;
                if (seen.emplace(UpperAnsi(found), true).second) FoundFiles.push_back(found);
            }
        }
    }
    return int32_t(FoundFiles.size());
}

bool MassFileExists(const std::string& path) {
    return MassFile.Contains(path);
}

TMassFileStream::TMassFileStream(const std::string& path, int mode) : Name(path), WriteMode(mode != 0) {
    RecordSite(7105);
    if (WriteMode) return;
    std::vector<uint8_t> bytes;
    if (MassFile.ReadFile(path, bytes)) {
        Buffer = std::move(bytes);
        Size = int32_t(Buffer.size());
    }
}

TMassFileStream::TMassFileStream(std::vector<uint8_t> bytes, const std::string& name)
    : TByteReader(std::move(bytes)), Name(name) {}

TMassFileStream::~TMassFileStream() {
    // A stream abandoned by an error in its writer keeps the old file.
    if (WriteMode && !Closed && std::uncaught_exceptions() == 0) Close();
}

bool TMassFileStream::Close() {
    if (!WriteMode || Closed) return true;
    Closed = true;
    return SaveFileAtomic(Name, Bytes);
}
