// Files and folders as the list needs them: attributes, opening for reading, block reads,
// identity, path joining and the masked folder search, and the writing of a list file. Paths
// are bytes throughout.
//
// FileSystem is the seam where tests inject faults: every call the core makes on files goes
// through it. Its own methods make the kernel's calls, so a fake overrides only what it upsets;
// RealFileSystem() adds the shortcuts that would bypass such an override.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/links.h"

namespace vellum::platform {

// File attribute bits as the list's adding code tests them.
inline constexpr std::uint32_t kAttrReadOnly = 0x01;
inline constexpr std::uint32_t kAttrHidden = 0x02;
inline constexpr std::uint32_t kAttrDirectory = 0x10;
inline constexpr std::uint32_t kAttrArchive = 0x20;
inline constexpr std::uint32_t kAttrFailure = 0xFFFFFFFF;  // every bit set: no such path

struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

class FileSystem {
  public:
    virtual ~FileSystem() = default;

    // stat (following links): a folder gives kAttrDirectory; a regular file kAttrArchive, plus
    // kAttrReadOnly when not writable and kAttrHidden when its name starts with a dot; any
    // other kind (FIFO, socket, device) gives 0; a failed stat gives kAttrFailure.
    [[nodiscard]] virtual std::uint32_t Attributes(const std::string& path);
    // True only for a regular file (after following links): FIFOs, sockets and devices are not
    // files, since reading one could block for ever or never end.
    [[nodiscard]] virtual bool IsFile(const std::string& path);
    [[nodiscard]] virtual std::optional<FileIdentity> Identity(const std::string& path);

    // Opens a regular file read-only without locking others out and without ever blocking:
    // O_NONBLOCK, then fstat must show a regular file. Returns a descriptor, or -errno
    // (-EINVAL for something that is not a regular file).
    [[nodiscard]] virtual int OpenForReading(const std::string& path);
    // Opens a list to be read from start to end: a regular file, or a pipe (a FIFO, a shell's
    // <(...)), which may block until its writer comes. A descriptor, or -errno: -EISDIR for a
    // folder, -ENODEV for a device, -EINVAL for a socket, -ENOENT and the like from the open.
    [[nodiscard]] virtual int OpenStream(const std::string& path);
    // IsFile, then OpenForReading when it is one: isFile false when the path is no regular
    // file (fd -1), else fd is the descriptor or the open's -errno. The type is checked before
    // the open, so that a FIFO is never opened at all: even an open that does not block
    // releases a writer waiting on it, which then dies of SIGPIPE when the FIFO is closed.
    struct Opened {
        int fd = -1;
        bool isFile = false;
        std::int64_t size = -1;  // what the open's own fstat gave, where the layer keeps it
    };
    [[nodiscard]] virtual Opened OpenIfFile(const std::string& path);
    // A folder held open while the files in it are opened one after the other, so that each is
    // looked up by its name in the folder rather than by walking the whole path again:
    // OpenFolder gives a handle (or -1), OpenIfFileIn is OpenIfFile for a path in that folder,
    // CloseFolder lets the handle go. Here the handle is always -1 and OpenIfFileIn is
    // OpenIfFile, so a fake sees whole paths; the real file system uses the handle.
    [[nodiscard]] virtual int OpenFolder(const std::string& path);
    [[nodiscard]] virtual Opened OpenIfFileIn(int folder, const std::string& path);
    // OpenIfFileIn for a file that an open or a look-up found a regular file a moment ago, in
    // the same command: the real file system leaves out the look at the type before the open,
    // which that call made already (the open's own fstat still turns away anything else). Here
    // it is OpenIfFileIn.
    [[nodiscard]] virtual Opened OpenSeenFileIn(int folder, const std::string& path);
    virtual void CloseFolder(int folder);
    // Reads up to count bytes, fewer only at the end of the file or before an error that the
    // next call returns; 0 at the end of the file, -errno on error (EINTR is retried).
    [[nodiscard]] virtual std::int64_t Read(int fd, void* buffer, std::size_t count);
    // As Read, but it may also hand over fewer bytes anywhere, for a caller that reads on until
    // 0 in any case. Here it is Read; the real file system makes a single transfer.
    [[nodiscard]] virtual std::int64_t ReadSome(int fd, void* buffer, std::size_t count);
    // Reads up to count bytes at offset, for the hex view; as Read otherwise.
    [[nodiscard]] virtual std::int64_t ReadAt(int fd, void* buffer, std::size_t count,
                                              std::int64_t offset);
    [[nodiscard]] virtual std::int64_t SizeOf(int fd);  // bytes, or -errno
    // 0, or -errno. After writes it may be the first word of their failure: network and
    // quota-checked file systems report a write that did not get through only here.
    [[nodiscard]] virtual int Close(int fd);
    // Opens path as OpenForReading does, takes its size and closes it again, for a caller that
    // reads nothing and has checked that path is a regular file: the size, or the -errno of the
    // open or of the size. Here it is those three calls; the real file system makes one open,
    // one fstat and one close of it.
    [[nodiscard]] virtual std::int64_t SizeOfFile(const std::string& path);
    // SizeOfFile of every name (a regular file's) in folder, in order. Here it is those calls
    // on the joined paths; the real file system opens each relative to the folder.
    [[nodiscard]] virtual std::vector<std::int64_t> SizesOfFiles(
        const std::string& folder, const std::vector<std::string>& names);
    // SizesOfFiles without opening the files: the size from a look-up of each (links followed),
    // -EINVAL for anything but a regular file, or the look-up's -errno. A regular file that
    // cannot be opened is not found out (MayRead asks that). Here it is SizesOfFiles; the real
    // file system makes one stat of each, relative to the folder.
    [[nodiscard]] virtual std::vector<std::int64_t> LookedUpSizesOfFiles(
        const std::string& folder, const std::vector<std::string>& names);
    // Whether this process may open the file at path for reading, asked without opening it.
    // Here an open and a close; the real file system asks the kernel's permission check
    // (faccessat), one call where the open would be two.
    [[nodiscard]] virtual bool MayRead(const std::string& path);
    // The write side, for the list file. CreateForWriting opens path for writing, created
    // (0666 less the umask) when missing and emptied when present: a descriptor, or -errno.
    [[nodiscard]] virtual int CreateForWriting(const std::string& path);
    // Writes all of bytes, going on after short writes and interrupted calls: 0, or the -errno
    // of the write that failed (-EIO for one that takes nothing). What got in before the
    // failure stays in the file.
    [[nodiscard]] virtual int WriteAll(int fd, std::string_view bytes);
    // Cuts the file to size bytes: 0, or -errno (-EINVAL for what is no regular file).
    [[nodiscard]] virtual int Truncate(int fd, std::int64_t size);

    // The link side (links.cpp). Dedupe has the kernel share length bytes of target from
    // targetOffset with those of source from sourceOffset where both hold the same bytes
    // (FIDEDUPERANGE); target may be open read-only when the caller owns it or may write it.
    [[nodiscard]] virtual DedupeAnswer Dedupe(int source, std::int64_t sourceOffset, int target,
                                              std::int64_t targetOffset, std::int64_t length);
    // lstat: what path itself is; nothing when it cannot be looked at.
    [[nodiscard]] virtual std::optional<NameInfo> NameOf(const std::string& path);
    // A new name, unused until now, in the folder of beside, for the file that existing leads
    // to (a symbolic link is followed).
    [[nodiscard]] virtual MadeLink LinkBeside(const std::string& existing,
                                              const std::string& beside);
    // rename(2), which puts the new name in place in one step: 0, or -errno.
    [[nodiscard]] virtual int Rename(const std::string& from, const std::string& to);
    // unlink(2): 0, or -errno.
    [[nodiscard]] virtual int Unlink(const std::string& path);
    // The path with every symbolic link, "." and ".." resolved (realpath); nothing when some
    // part of it is missing.
    [[nodiscard]] virtual std::optional<std::string> Resolved(const std::string& path);

    // Whether two threads may call it at the same time. Only the real file system says so:
    // a fake that counts or upsets calls sees them one at a time.
    [[nodiscard]] virtual bool CallsMayOverlap() const { return false; }

    // Names of the regular files in folder whose names match mask (MaskMatches), in byte
    // order of their names; links to files count as files. Empty when the folder cannot be
    // searched.
    [[nodiscard]] virtual std::vector<std::string> ListFiles(const std::string& folder,
                                                             std::string_view mask);
    // Names of the folders in folder, "." and ".." left out, in byte order. Symbolic links to
    // folders are not listed, so a walk cannot loop. Empty when the folder cannot be searched.
    [[nodiscard]] virtual std::vector<std::string> ListSubfolders(const std::string& folder);
    // ListFiles and ListSubfolders of one folder, from one reading of it.
    struct FolderListing {
        std::vector<std::string> files;
        std::vector<std::string> subfolders;
    };
    [[nodiscard]] virtual FolderListing ListFilesAndSubfolders(const std::string& folder,
                                                               std::string_view mask);
};

FileSystem& RealFileSystem();

// Writes all of bytes to the descriptor, going on after short writes and signals: 0, or the
// -errno of the write that failed. What FileSystem::WriteAll and the settings file both use.
[[nodiscard]] int WriteAllTo(int fd, std::string_view bytes);

// folder + "/" + name, with no check whether folder already ends in a slash.
[[nodiscard]] std::string JoinPath(std::string_view folder, std::string_view name);
// The part before the last "/" ("/" for a file in the root), or "." when it has none.
[[nodiscard]] std::string_view FolderPart(std::string_view path);
// The part after the last "/", or the whole path when it has none.
[[nodiscard]] std::string_view FileNamePart(std::string_view path);
// A relative path joined with the current directory; links are not resolved.
[[nodiscard]] std::string FullPath(const std::string& path);

// The folder search's mask: "*" any run, "?" any one byte, ASCII letters without regard to
// case; "*.*" and "*" match every name.
[[nodiscard]] bool MaskMatches(std::string_view mask, std::string_view name);

}  // namespace vellum::platform
