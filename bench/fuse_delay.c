// A slow mount for the benchmark: passes a folder through FUSE and answers every look-up,
// getattr, readdir and open only after a fixed delay (300 microseconds unless told), like
// a file server one round trip away. The kernel keeps no names, attributes or file data
// (every timeout 0, direct I/O), so each request reaches this program. Requests are
// answered by many threads at once, as a server would.
//
//   fm-fuse-delay ROOT MOUNTPOINT [DELAY_US] [FUSE OPTIONS...]
// Built by bench/fuse.sh (needs libfuse3-dev); unmount with fusermount3 -u MOUNTPOINT.

#define FUSE_USE_VERSION 31
#define _GNU_SOURCE

#include <fuse.h>

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <time.h>
#include <unistd.h>

static int Root = -1;
static long DelayUs = 300;

static void Delay(void)
{
    struct timespec t = {DelayUs / 1000000, (DelayUs % 1000000) * 1000};
    while (nanosleep(&t, &t) != 0 && errno == EINTR) {
    }
}

// FUSE paths begin with "/"; the names below the root are relative to its descriptor.
static const char *Rel(const char *path)
{
    return path[1] ? path + 1 : ".";
}

static void *Init(struct fuse_conn_info *conn, struct fuse_config *cfg)
{
    (void)conn;
    cfg->use_ino = 1;
    cfg->entry_timeout = 0;
    cfg->attr_timeout = 0;
    cfg->negative_timeout = 0;
    cfg->direct_io = 1;
    cfg->kernel_cache = 0;
    return NULL;
}

static int GetAttr(const char *path, struct stat *st, struct fuse_file_info *fi)
{
    (void)fi;
    Delay();
    return fstatat(Root, Rel(path), st, AT_SYMLINK_NOFOLLOW) == 0 ? 0 : -errno;
}

static int ReadLink(const char *path, char *buf, size_t size)
{
    const ssize_t n = readlinkat(Root, Rel(path), buf, size - 1);
    if (n < 0)
        return -errno;
    buf[n] = 0;
    return 0;
}

static int ReadDir(const char *path, void *buf, fuse_fill_dir_t filler, off_t offset, struct fuse_file_info *fi,
                   enum fuse_readdir_flags flags)
{
    (void)offset;
    (void)fi;
    (void)flags;
    Delay();
    const int fd = openat(Root, Rel(path), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return -errno;
    DIR *dir = fdopendir(fd);
    if (!dir) {
        close(fd);
        return -errno;
    }
    struct dirent *e;
    while ((e = readdir(dir)) != NULL) {
        struct stat st;
        memset(&st, 0, sizeof st);
        st.st_ino = e->d_ino;
        st.st_mode = (mode_t)(e->d_type << 12);
        if (filler(buf, e->d_name, &st, 0, 0))
            break;
    }
    closedir(dir);
    return 0;
}

static int Open(const char *path, struct fuse_file_info *fi)
{
    Delay();
    const int fd = openat(Root, Rel(path), (fi->flags & ~(O_CREAT | O_TRUNC)) | O_CLOEXEC);
    if (fd < 0)
        return -errno;
    fi->fh = (uint64_t)fd;
    fi->direct_io = 1;
    return 0;
}

static int Read(const char *path, char *buf, size_t size, off_t offset, struct fuse_file_info *fi)
{
    (void)path;
    const ssize_t n = pread((int)fi->fh, buf, size, offset);
    return n < 0 ? -errno : (int)n;
}

static int Release(const char *path, struct fuse_file_info *fi)
{
    (void)path;
    close((int)fi->fh);
    return 0;
}

static int StatFs(const char *path, struct statvfs *st)
{
    (void)path;
    return fstatvfs(Root, st) == 0 ? 0 : -errno;
}

static const struct fuse_operations Ops = {
    .init = Init,
    .getattr = GetAttr,
    .readlink = ReadLink,
    .readdir = ReadDir,
    .open = Open,
    .read = Read,
    .release = Release,
    .statfs = StatFs,
};

int main(int argc, char **argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: %s ROOT MOUNTPOINT [DELAY_US] [FUSE OPTIONS...]\n", argv[0]);
        return 2;
    }
    Root = open(argv[1], O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (Root < 0) {
        fprintf(stderr, "%s: %s\n", argv[1], strerror(errno));
        return 1;
    }
    int first = 3;
    if (argc > 3 && argv[3][0] != '-') {
        DelayUs = atol(argv[3]);
        first = 4;
    }
    // fuse_main sees: program, mount point, read-only, many threads, then the caller's options.
    char *args[64];
    int n = 0;
    args[n++] = argv[0];
    args[n++] = argv[2];
    args[n++] = "-o";
    args[n++] = "ro,default_permissions,max_threads=64,max_idle_threads=64";
    for (int i = first; i < argc && n < 63; ++i)
        args[n++] = argv[i];
    args[n] = NULL;
    return fuse_main(n, args, &Ops, NULL);
}
