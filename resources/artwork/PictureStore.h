#pragma once

// Drawn pictures kept as files in a folder of the user's own, for later starts of the same
// build. Each file holds a header (a magic, the build's stamp, size, ratio, the key's length
// and a checksum of the key and the pixels), the key (UTF-8), then the premultiplied ARGB
// pixels row after row. Anything that is not this build's undamaged picture of that key and
// size is passed over, to be drawn and written again.

#include <QImage>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

struct stat;

namespace resources {

// How a PictureStore keeps its files.
struct PictureStoreOptions {
    // The most the folder's pictures may take, in bytes; the pictures used longest ago
    // go first when a new one would pass it.
    std::uint64_t bound = std::uint64_t(32) << 20;
    // Files are written unnamed and given their name once whole (O_TMPFILE), where the
    // file system can; false: always through a part file renamed once whole.
    bool unnamedFiles = true;
    // Called once a picture's bytes are written and before the file gets its name.
    std::function<void()> whileWriting;
};

class PictureStore {
public:
    using Options = PictureStoreOptions;

    // Keeps nothing.
    PictureStore() = default;
    // Keeps pictures in `folder`, made (0700) when missing; only when it is a directory (not
    // a link) of this user's own that neither group nor others can write to. Otherwise
    // nothing is kept, as with an empty `folder`.
    explicit PictureStore(const std::filesystem::path& folder, Options options = {});
    ~PictureStore();
    PictureStore(const PictureStore&) = delete;
    PictureStore& operator=(const PictureStore&) = delete;

    // Whether pictures are kept.
    bool keeping() const { return folder_ >= 0; }

    // The picture kept for `key` at `device` pixels and ratio `dpr`; a null image when none
    // is, or the file is not this build's, is damaged or not a regular file of this user's.
    QImage load(const QString& key, QSize device, qreal dpr);

    // Keeps `image` (premultiplied ARGB) for `key`, in place of any file there; written whole
    // or not at all. The first time in a run, files of other builds and part files left by
    // runs that ended while writing are removed; then, while the folder holds more than the
    // bound, the pictures used longest ago.
    void save(const QString& key, const QImage& image);

private:
    struct Entry {
        std::string name;
        std::uint64_t bytes;
        std::time_t used;
    };

    struct Bytes {
        const void* data;
        std::size_t size;
    };
    bool write(const std::string& name, std::initializer_list<Bytes> bytes);
    bool writePartFile(const std::string& name, std::initializer_list<Bytes> bytes);
    void used(int file, const struct stat& info, const std::string& name);
    void scan();
    void kept(const std::string& name, std::uint64_t bytes);
    void trim();

    Options options_;
    int folder_ = -1;  // the folder, open; -1: nothing is kept
    std::uint64_t build_ = 0;
    bool scanned_ = false;
    std::vector<Entry> entries_;  // this build's pictures, used longest ago first
    std::uint64_t total_ = 0;     // their bytes
};

}  // namespace resources
