// The archive set: every piece of game data is read from the ".msf" archives
// in the program folder, the higher-numbered archive overriding the lower one
// entry by entry.
//
// Archive layout: 11 identification bytes, int32 folder count, the folder
// records (string key ending in a backslash, int32 file count, then per file
// string name, int32 size, int32 offset from the data area), then the data area.
#pragma once

#include "assets/ByteStream.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Upper case by the Windows-1252 code page, the same on every machine.
char UpperAnsi(char c);
std::string UpperAnsi(std::string s);

// Splits a full path (AppDir + "Levels\Name.map") into its upper-cased folder
// key ("LEVELS\") and file key ("NAME.MAP"). False when the path has no
// backslash or its folder part is shorter than 5 characters.
bool SplitArchivePath(const std::string& path, size_t appDirLength, std::string& folderKey,
                      std::string& fileKey);

// A key whose hash is worked out once and reused in every archive of the set.
struct THashedKey {
    std::string_view Text;
    size_t Hash;
    explicit THashedKey(std::string_view text) : Text(text), Hash(std::hash<std::string_view>{}(text)) {}
};

struct TKeyHash {
    using is_transparent = void;
    size_t operator()(const std::string& s) const { return std::hash<std::string_view>{}(s); }
    size_t operator()(const THashedKey& k) const { return k.Hash; }
};

struct TKeyEqual {
    using is_transparent = void;
    bool operator()(const std::string& a, const std::string& b) const { return a == b; }
    bool operator()(const THashedKey& a, const std::string& b) const { return a.Text == b; }
    bool operator()(const std::string& a, const THashedKey& b) const { return a == b.Text; }
};

struct TMassFileHeader {
    std::string Name;       // upper-cased, as looked up
    std::string StoredName; // as the archive stores it
    int32_t Size = 0;
    int32_t Offset = 0;
};

struct TMassDirHeader {
    std::string Key;       // upper-cased, as looked up
    std::string StoredKey; // as the archive stores it
    std::vector<TMassFileHeader> Files;
};

constexpr size_t MassFileIdLength = 11;
extern const char MassFileId[MassFileIdLength + 1];

// One entry for the archive writer: folder key ("Levels\\"), name, bytes.
struct TMassFileInput {
    std::string FolderKey;
    std::string Name;
    std::vector<uint8_t> Bytes;
};

// Builds a whole archive. Entries of one folder key form one folder record,
// folders in the order their key first appears, files in the order given.
// False (with why) when the archive would pass 2 GiB.
bool WriteMassFile(const std::vector<TMassFileInput>& entries, std::vector<uint8_t>& archive,
                   std::string& why);

// One open archive. The file stays open for reading while the object lives.
class TMassFileFile {
  public:
    // Reads the directory at once. A damaged directory leaves the archive
    // empty with Valid() false and one line in the log.
    explicit TMassFileFile(const std::string& path);
    ~TMassFileFile();
    TMassFileFile(const TMassFileFile&) = delete;
    TMassFileFile& operator=(const TMassFileFile&) = delete;

    bool Valid() const { return Fd >= 0; }

    std::string Path;
    int64_t DataPos = 0;
    std::vector<TMassDirHeader> Dirs;

    bool Contains(const std::string& path) const;
    bool ReadEntry(const std::string& path, std::vector<uint8_t>& data) const;
    int32_t EntrySize(const std::string& path) const;

    // Lookup by upper-cased keys: the first folder record with the key, and in
    // it the first file record with the name.
    const TMassFileHeader* FindKey(const THashedKey& folderKey, const THashedKey& fileKey) const;
    const TMassFileHeader* FindKey(const std::string& folderKey, const std::string& fileKey) const {
        return FindKey(THashedKey(folderKey), THashedKey(fileKey));
    }
    const TMassFileHeader* Find(const std::string& path) const;
    bool ReadHeader(const TMassFileHeader& entry, std::vector<uint8_t>& data) const;

  private:
    bool ReadDirectory();
    void Close();

    int Fd = -1;
    int64_t FileLength = 0;
    using TKeyIndex = std::unordered_map<std::string, int32_t, TKeyHash, TKeyEqual>;
    TKeyIndex FirstDir;
    std::vector<TKeyIndex> FirstFile;
};

class TMassFile {
  public:
    std::vector<std::unique_ptr<TMassFileFile>> Files;
    std::vector<std::string> FoundFiles;

    // Opens AppDir + "Rollix.msf", then "Rollix2.msf" … "Rollix20.msf".
    void Create();
    // Opens an archive when the file exists; a missing or damaged one is skipped.
    void AddArchive(const std::string& path);
    void Clear();

    bool Contains(const std::string& path) const;
    bool ReadFile(const std::string& path, std::vector<uint8_t>& data) const;
    int32_t FileSize(const std::string& path) const;
    // Fills FoundFiles with folder key + name of every entry of the folder
    // (relative key, "Objects\Animations\") with the extension (".gms", or ".*"
    // for all), the last-opened archive first, each name once.
    int32_t ListFiles(const std::string& folderKey, const std::string& extension);

  private:
    const TMassFileFile* Owner(const std::string& path, const TMassFileHeader** entry) const;
};

extern TMassFile MassFile;

bool MassFileExists(const std::string& path);

// One entry being read (mode 0), or one file being written (any other mode;
// the game passes 0xFFFF). A written file replaces its target only when the
// stream is closed without error: a crash midway leaves the old file intact.
class TMassFileStream : public TByteReader, public TByteWriter {
  public:
    TMassFileStream(const std::string& path, int mode);
    // A read stream over bytes already in memory (plain files, tests).
    TMassFileStream(std::vector<uint8_t> bytes, const std::string& name);
    ~TMassFileStream();
    TMassFileStream(const TMassFileStream&) = delete;
    TMassFileStream& operator=(const TMassFileStream&) = delete;

    std::string Name;
    bool WriteMode = false;

    // Write mode: saves the written bytes atomically. True on success.
    bool Close();

  private:
    bool Closed = false;
};
