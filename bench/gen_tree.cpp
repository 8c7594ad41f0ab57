// Builds a seeded pair of trees for the benchmark: nested folders, mostly identical
// pairs, plus files missing on either side, newer files, equal-size files with other
// bytes, shifted times, date conflicts and a few large files.
//
//   fm-gen-tree OUT_DIR FILES_PER_SIDE [SEED] [duplicates]   -> OUT_DIR/src and OUT_DIR/dst
//
// "duplicates" makes the tree of a backup check instead: about 85 % of the names are
// identical pairs, so the duplicate lists hold most rows, and there are no large files.

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// root + side + relative, in one string.
std::string Under(const std::string &root, const char *side, const std::string &relative)
{
    std::string path = root;
    path += side;
    path += relative;
    return path;
}

void MakeDirs(const std::string &path)
{
    std::string partial;
    for (size_t i = 0; i < path.size(); ++i) {
        partial += path[i];
        if ((path[i] == '/' && i > 0) || i + 1 == path.size())
            ::mkdir(partial.c_str(), 0755);
    }
}

void WriteFile(const std::string &path, const char *data, size_t size, time_t mtime)
{
    const int fd = ::open(path.c_str(), O_CREAT | O_TRUNC | O_WRONLY | O_CLOEXEC, 0644);
    if (fd < 0) {
        std::fprintf(stderr, "cannot create %s: %s\n", path.c_str(), std::strerror(errno));
        std::exit(1);
    }
    size_t done = 0;
    while (done < size) {
        const ssize_t w = ::write(fd, data + done, size - done);
        if (w <= 0) {
            std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), std::strerror(errno));
            std::exit(1);
        }
        done += size_t(w);
    }
    struct timespec times[2] = {{mtime, 0}, {mtime, 0}};
    ::futimens(fd, times);
    ::close(fd);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s OUT_DIR FILES_PER_SIDE [SEED] [duplicates]\n", argv[0]);
        return 2;
    }
    const std::string out = argv[1];
    const long perSide = std::atol(argv[2]);
    const unsigned seed = argc > 3 ? unsigned(std::atol(argv[3])) : 1;
    const bool duplicates = argc > 4 && std::strcmp(argv[4], "duplicates") == 0;
    std::mt19937_64 rng(seed);
    // Upper bounds (of 100) of each kind of name below: identical, source only, destination
    // only, newer, same size with other bytes, shifted; the rest are date conflicts.
    const int mixed[6] = {80, 84, 88, 91, 94, 97};
    const int backup[6] = {85, 88, 91, 93, 95, 98};
    const int *bound = duplicates ? backup : mixed;

    // A pool of random bytes; each file's content is a slice of it.
    std::vector<char> pool(1 << 22);
    for (auto &c : pool)
        c = char(rng());
    std::vector<char> scratch(1 << 16);

    // Folders: breadth first, up to four sub folders each, about 20 files per folder.
    // A share of the names exists on one side only.
    const long logical = perSide * 100 / (100 - (bound[1] - bound[0]));
    const long folderCount = logical / 20 + 1;
    std::vector<std::string> folders{""};
    for (size_t i = 0; folders.size() < size_t(folderCount); ++i) {
        const int subs = 1 + int(rng() % 4);
        for (int k = 0; k < subs && folders.size() < size_t(folderCount); ++k)
            folders.push_back(folders[i] + "dir" + std::to_string(k) + "_" + std::to_string(folders.size()) + "/");
    }
    for (const auto &f : folders) {
        MakeDirs(Under(out, "/src/", f));
        MakeDirs(Under(out, "/dst/", f));
    }

    const time_t base = 1700000000;
    long counts[8] = {};
    for (long i = 0; i < logical; ++i) {
        const std::string rel = folders[size_t(rng() % folders.size())] + "file" + std::to_string(i) + ".dat";
        const std::string s = Under(out, "/src/", rel), d = Under(out, "/dst/", rel);
        const size_t size = size_t(rng() % 4096);
        const size_t offset = size_t(rng() % (pool.size() - scratch.size()));
        const char *bytes = pool.data() + offset;
        const time_t t = base - time_t(rng() % 30000000);
        const int kind = int(rng() % 100);
        if (kind < bound[0]) { // identical pair
            WriteFile(s, bytes, size, t);
            WriteFile(d, bytes, size, t);
            ++counts[0];
        } else if (kind < bound[1]) { // source only
            WriteFile(s, bytes, size, t);
            ++counts[1];
        } else if (kind < bound[2]) { // destination only
            WriteFile(d, bytes, size, t);
            ++counts[2];
        } else if (kind < bound[3]) { // newer source, other size
            WriteFile(s, bytes, size + 10, t + 100);
            WriteFile(d, bytes, size, t);
            ++counts[3];
        } else if (kind < bound[4]) { // same size, other bytes at the end
            std::memcpy(scratch.data(), bytes, size + 1);
            scratch[size] ^= 0x5a;
            WriteFile(s, bytes, size + 1, t + 2);
            WriteFile(d, scratch.data(), size + 1, t);
            ++counts[4];
        } else if (kind < bound[5]) { // same bytes, time shifted by an hour
            WriteFile(s, bytes, size, t);
            WriteFile(d, bytes, size, t + 3600);
            ++counts[5];
        } else { // date conflict
            WriteFile(s, bytes, size, t);
            WriteFile(d, bytes, size + 1, t);
            ++counts[6];
        }
    }
    // A few large identical pairs, so that content comparison reads real volume.
    std::vector<char> big(32 << 20);
    for (size_t k = 0; k < big.size(); k += pool.size())
        std::memcpy(big.data() + k, pool.data(), std::min(pool.size(), big.size() - k));
    for (int k = 0; k < (duplicates ? 0 : 8); ++k) {
        const std::string rel = folders[size_t(rng() % folders.size())] + "large" + std::to_string(k) + ".bin";
        WriteFile(Under(out, "/src/", rel), big.data(), big.size(), base);
        WriteFile(Under(out, "/dst/", rel), big.data(), big.size(), base);
        ++counts[7];
    }
    std::printf("folders %zu; identical %ld, source only %ld, destination only %ld, newer %ld, "
                "same size other bytes %ld, shifted %ld, conflicts %ld, large %ld\n",
                folders.size(), counts[0], counts[1], counts[2], counts[3], counts[4], counts[5], counts[6], counts[7]);
    return 0;
}
