#include "resources/artwork/PictureStore.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QtGlobal>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <utility>

namespace resources {

namespace {

// A kept picture's header; the key and the pixels follow.
struct FileHeader {
    char magic[8];
    quint64 build;
    qint32 width, height;
    double dpr;
    quint32 keyBytes;
    quint32 unused;
    quint64 checksum;  // of the key, then the pixels
};
static_assert(sizeof(FileHeader) == 48);
constexpr char Magic[8] = {'B', 'J', 'P', 'I', 'C', 'T', '2', '\n'};
constexpr std::string_view Suffix = ".picture";
// A file's time of use is brought forward when it is older than this, so that a start that
// takes dozens of pictures does not write to the disk for each of them every time.
constexpr std::time_t TouchAfterSeconds = 3600;

// 64-bit FNV-1a, continued from `hash`.
quint64 fnv1a(const void* data, std::size_t size, quint64 hash = 14695981039346656037ull) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 1099511628211ull;
    return hash;
}

// A 64-bit checksum that reads eight bytes at a time in four independent lanes (after the
// xxHash64 design), continued from `seed`: a start taking its pictures from their files
// checks every pixel of them, so this must run at the speed of memory.
constexpr quint64 P1 = 0x9E3779B185EBCA87ull, P2 = 0xC2B2AE3D27D4EB4Full,
                  P3 = 0x165667B19E3779F9ull, P4 = 0x85EBCA77C2B2AE63ull,
                  P5 = 0x27D4EB2F165667C5ull;
constexpr quint64 rotl(quint64 x, int r) {
    return (x << r) | (x >> (64 - r));
}
constexpr quint64 mixLane(quint64 lane, quint64 input) {
    return rotl(lane + input * P2, 31) * P1;
}
quint64 word(const unsigned char* p) {
    quint64 w;
    std::memcpy(&w, p, sizeof w);
    return w;
}
quint64 checksum(const void* data, std::size_t size, quint64 seed) {
    const auto* p = static_cast<const unsigned char*>(data);
    const unsigned char* const end = p + size;
    quint64 h;
    if (size >= 32) {
        quint64 a = seed + P1 + P2, b = seed + P2, c = seed, d = seed - P1;
        for (; end - p >= 32; p += 32) {
            a = mixLane(a, word(p));
            b = mixLane(b, word(p + 8));
            c = mixLane(c, word(p + 16));
            d = mixLane(d, word(p + 24));
        }
        h = rotl(a, 1) + rotl(b, 7) + rotl(c, 12) + rotl(d, 18);
        for (const quint64 lane : {a, b, c, d}) h = (h ^ mixLane(0, lane)) * P1 + P4;
    } else {
        h = seed + P5;
    }
    h += size;
    for (; end - p >= 8; p += 8) h = rotl(h ^ mixLane(0, word(p)), 27) * P1 + P4;
    for (; p < end; ++p) h = rotl(h ^ (*p * P5), 11) * P1;
    h ^= h >> 33;
    h *= P2;
    h ^= h >> 29;
    h *= P3;
    return h ^ (h >> 32);
}

// What tells this build's pictures from another's: the running executable (where it lies,
// its size and when it was made) and the Qt that draws them.
quint64 buildStamp() {
    struct stat st {};
    if (::stat("/proc/self/exe", &st) != 0) return 0;
    const long long parts[] = {static_cast<long long>(st.st_dev), static_cast<long long>(st.st_ino),
                               static_cast<long long>(st.st_size), st.st_mtim.tv_sec,
                               st.st_mtim.tv_nsec};
    const std::string_view qt = qVersion();
    return fnv1a(qt.data(), qt.size(), fnv1a(parts, sizeof parts));
}

// "<build>-<key>.picture", each a hash in 16 hex digits: the build in the name lets the
// files of other builds be told without opening them.
std::string fileName(quint64 build, const QByteArray& key) {
    char name[48];
    std::snprintf(name, sizeof name, "%016llx-%016llx.picture",
                  static_cast<unsigned long long>(build),
                  static_cast<unsigned long long>(fnv1a(key.constData(), key.size())));
    return name;
}

// An open file or folder that every return path closes.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

// Moves all `size` bytes at `p` with `transfer` (read or write), however many calls that
// takes; false on an error or at the end of the file.
template <typename Byte, typename Transfer>
bool whole(int fd, Byte* p, std::size_t size, Transfer transfer) {
    while (size > 0) {
        const ssize_t n = transfer(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool readAll(int fd, void* data, std::size_t size) {
    return whole(fd, static_cast<char*>(data), size, ::read);
}

bool writeAll(int fd, const void* data, std::size_t size) {
    return whole(fd, static_cast<const char*>(data), size, ::write);
}

// The process of a part file "<picture>.<pid>", or 0 when `name` is none.
pid_t partFileProcess(std::string_view name) {
    const std::size_t at = name.rfind(Suffix);
    if (at == std::string_view::npos || at + Suffix.size() + 1 >= name.size() ||
        name[at + Suffix.size()] != '.')
        return 0;
    const std::string_view digits = name.substr(at + Suffix.size() + 1);
    if (digits.size() > 9 || digits.front() == '0') return 0;
    pid_t pid = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return 0;
        pid = pid * 10 + (c - '0');
    }
    return pid;
}

}  // namespace

PictureStore::PictureStore(const std::filesystem::path& folder, Options options)
    : options_(std::move(options)) {
    if (folder.empty()) return;
    ::mkdir(folder.c_str(), 0700);  // private to the user, as the folders above it
    // Opened without following a link, then checked as opened: what is checked is what is
    // used, whatever is put in its place later.
    Descriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat info {};
    if (!dir || ::fstat(dir.get(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        info.st_uid != ::geteuid() || (info.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return;
    folder_ = dir.release();
    build_ = buildStamp();
}

PictureStore::~PictureStore() {
    if (folder_ >= 0) ::close(folder_);
}

namespace {

// The kept file `name` in `folder`, opened for reading when it is a regular file of this
// user's of exactly `size` bytes; its status in `info`. Not through a link, and without
// waiting for a writer should a pipe lie there; what is checked is the file opened.
int openKept(int folder, const std::string& name, qint64 size, struct stat& info) {
    Descriptor file(::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!file || ::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        info.st_uid != ::geteuid() || info.st_size != size)
        return -1;
    return file.release();
}

// Whether the header read from `file` is this build's for a picture of `device` pixels at
// `dpr`, and the key that follows it is `key`.
bool readHeader(int file, FileHeader& header, quint64 build, QSize device, qreal dpr,
                const QByteArray& key) {
    if (!readAll(file, &header, sizeof header) ||
        std::memcmp(header.magic, Magic, sizeof Magic) != 0 || header.build != build ||
        header.width != device.width() || header.height != device.height() || header.dpr != dpr ||
        header.keyBytes != quint32(key.size()))
        return false;
    QByteArray stored(key.size(), Qt::Uninitialized);
    return readAll(file, stored.data(), static_cast<std::size_t>(stored.size())) && stored == key;
}

// The checksum a header holds for `key` and the pixels of `image`.
quint64 pictureChecksum(const QByteArray& key, const QImage& image) {
    return checksum(image.constBits(), static_cast<std::size_t>(image.sizeInBytes()),
                    checksum(key.constData(), key.size(), 0));
}

}  // namespace

QImage PictureStore::load(const QString& key, QSize device, qreal dpr) {
    if (folder_ < 0 || device.isEmpty()) return {};
    const QByteArray keyBytes = key.toUtf8();
    const std::string name = fileName(build_, keyBytes);
    const qint64 pixels = qint64(device.width()) * device.height() * 4;
    struct stat info {};
    const Descriptor file(
        openKept(folder_, name, qint64(sizeof(FileHeader)) + keyBytes.size() + pixels, info));
    FileHeader header;
    if (!file || !readHeader(file.get(), header, build_, device, dpr, keyBytes)) return {};
    QImage image(device, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull() || image.sizeInBytes() != pixels ||
        !readAll(file.get(), image.bits(), static_cast<std::size_t>(pixels)) ||
        pictureChecksum(keyBytes, image) != header.checksum)
        return {};
    image.setDevicePixelRatio(dpr);
    used(file.get(), info, name);
    return image;
}

void PictureStore::used(int file, const struct stat& info, const std::string& name) {
    // The pictures used longest ago are the first to go: the file's time says when it was
    // last used, and this run's list puts it last.
    if (info.st_mtim.tv_sec + TouchAfterSeconds < std::time(nullptr)) ::futimens(file, nullptr);
    if (!scanned_) return;
    const auto it = std::find_if(entries_.begin(), entries_.end(),
                                 [&name](const Entry& e) { return e.name == name; });
    if (it != entries_.end()) std::rotate(it, it + 1, entries_.end());
}

void PictureStore::save(const QString& key, const QImage& image) {
    if (folder_ < 0 || image.format() != QImage::Format_ARGB32_Premultiplied ||
        image.bytesPerLine() != image.width() * 4)
        return;
    const QByteArray keyBytes = key.toUtf8();
    const auto pixels = static_cast<std::size_t>(image.sizeInBytes());
    const std::uint64_t bytes = sizeof(FileHeader) + keyBytes.size() + pixels;
    if (bytes > options_.bound) return;  // would push out everything else
    FileHeader header{};
    std::memcpy(header.magic, Magic, sizeof Magic);
    header.build = build_;
    header.width = image.width();
    header.height = image.height();
    header.dpr = image.devicePixelRatio();
    header.keyBytes = quint32(keyBytes.size());
    header.checksum = pictureChecksum(keyBytes, image);

    if (!scanned_) scan();
    const std::string name = fileName(build_, keyBytes);
    if (write(name, {{&header, sizeof header},
                     {keyBytes.constData(), static_cast<std::size_t>(keyBytes.size())},
                     {image.constBits(), pixels}}))
        kept(name, bytes);
}

bool PictureStore::write(const std::string& name, std::initializer_list<Bytes> bytes) {
    // Nothing is flushed to the disk: a file cut short by a crash of the system is no picture
    // of the right size, and is passed over.
    if (options_.unnamedFiles) {
        // An unnamed file, linked into the folder once whole: a run killed while writing
        // leaves nothing behind.
        const Descriptor file(::openat(folder_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
        if (file) {
            for (const Bytes& b : bytes)
                if (!writeAll(file.get(), b.data, b.size)) return false;
            if (options_.whileWriting) options_.whileWriting();
            // linkat with AT_EMPTY_PATH would need a capability; the descriptor's entry in
            // /proc needs none.
            char path[40];
            std::snprintf(path, sizeof path, "/proc/self/fd/%d", file.get());
            const auto link = [&] {
                return ::linkat(AT_FDCWD, path, folder_, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
            };
            if (link()) return true;
            if (errno == EEXIST) {
                // A link never replaces a name: the file there (not this build's picture, or
                // it would have been taken) goes first. Should another run link its own
                // picture in between, that one stays.
                ::unlinkat(folder_, name.c_str(), 0);
                return link();
            }
            // No /proc: part files from now on.
        } else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
            return false;  // the folder is full or gone: nothing is kept
        }
        options_.unnamedFiles = false;
    }
    return writePartFile(name, bytes);
}

bool PictureStore::writePartFile(const std::string& name, std::initializer_list<Bytes> bytes) {
    // The bytes go to a file named after this process, which is then renamed over the
    // picture's name: another run reads the old picture or the new one, never half of one.
    // Should this run end before the rename, a later run removes the part file (scan()).
    const std::string part = name + '.' + std::to_string(::getpid());
    Descriptor file(::openat(folder_, part.c_str(),
                             O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!file) return false;
    bool written = true;
    for (const Bytes& b : bytes) written = written && writeAll(file.get(), b.data, b.size);
    if (written && options_.whileWriting) options_.whileWriting();
    written = ::close(file.release()) == 0 && written;
    if (written && ::renameat(folder_, part.c_str(), folder_, name.c_str()) == 0) return true;
    ::unlinkat(folder_, part.c_str(), 0);
    return false;
}

void PictureStore::scan() {
    scanned_ = true;
    DIR* dir = ::fdopendir(::openat(folder_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir) return;
    char prefix[24];
    std::snprintf(prefix, sizeof prefix, "%016llx-", static_cast<unsigned long long>(build_));
    const std::size_t ownLength = std::strlen(prefix) + 16 + Suffix.size();
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name.size() > Suffix.size() && name.ends_with(Suffix)) {
            struct stat info {};
            if (name.size() == ownLength && name.starts_with(prefix) &&
                ::fstatat(folder_, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISREG(info.st_mode)) {
                entries_.push_back(
                    {std::string(name), std::uint64_t(info.st_size), info.st_mtim.tv_sec});
                total_ += std::uint64_t(info.st_size);
            } else {
                ::unlinkat(folder_, entry->d_name, 0);  // another build's, or no picture
            }
        } else if (const pid_t pid = partFileProcess(name);
                   pid > 0 && pid != ::getpid() && ::kill(pid, 0) != 0 && errno == ESRCH) {
            ::unlinkat(folder_, entry->d_name, 0);  // left by a run that ended while writing
        }
    }
    ::closedir(dir);
    std::stable_sort(entries_.begin(), entries_.end(),
                     [](const Entry& a, const Entry& b) { return a.used < b.used; });
    trim();
}

void PictureStore::kept(const std::string& name, std::uint64_t bytes) {
    const auto it = std::find_if(entries_.begin(), entries_.end(),
                                 [&name](const Entry& e) { return e.name == name; });
    if (it != entries_.end()) {
        total_ -= it->bytes;
        entries_.erase(it);
    }
    entries_.push_back({name, bytes, std::time(nullptr)});
    total_ += bytes;
    trim();
}

void PictureStore::trim() {
    // Never the newest: it fits the bound by itself.
    std::size_t gone = 0;
    while (total_ > options_.bound && gone + 1 < entries_.size()) {
        ::unlinkat(folder_, entries_[gone].name.c_str(), 0);
        total_ -= entries_[gone].bytes;
        ++gone;
    }
    entries_.erase(entries_.begin(), entries_.begin() + static_cast<std::ptrdiff_t>(gone));
}

}  // namespace resources
