#include "platform/TMetadataCopy.h"

#include "platform/TFileOperations.h"

#include <QByteArray>

#include <cerrno>
#include <cstring>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

// A target that does not take this piece of metadata, as against one that failed.
bool Refusal(int error)
{
    return error == EPERM || error == EACCES || error == ENOSYS || error == EOPNOTSUPP || error == ENOTSUP
           || error == EINVAL || error == E2BIG || error == ERANGE || error == ENOSPC || error == EDQUOT;
}

// The names of the source's extended attributes, each ending with its NUL; empty where it
// has none or its file system keeps none. false: they could not be read.
bool AttributeNames(int fd, QByteArray *names)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        const ssize_t size = ::flistxattr(fd, nullptr, 0);
        if (size < 0)
            return errno == ENOTSUP || errno == ENOSYS;
        names->resize(size);
        if (size == 0)
            return true;
        const ssize_t got = ::flistxattr(fd, names->data(), size_t(size));
        if (got >= 0) {
            names->truncate(got);
            return true;
        }
        if (errno != ERANGE) // it grew in between: again
            return false;
    }
    return false;
}

bool Value(int fd, const char *name, QByteArray *value)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        const ssize_t size = ::fgetxattr(fd, name, nullptr, 0);
        if (size < 0)
            return false;
        value->resize(size);
        const ssize_t got = size ? ::fgetxattr(fd, name, value->data(), size_t(size)) : 0;
        if (got >= 0) {
            value->truncate(got);
            return true;
        }
        if (errno != ERANGE)
            return false;
    }
    return false;
}

// Copies the extended attributes, ACLs among them. Those a user may not set (security.*
// and trusted.* without root) are not missed: `cp -a` passes them over too.
bool CarryAttributes(int source, int target, bool root, unsigned *unkept, int *error)
{
    QByteArray names;
    if (!AttributeNames(source, &names)) {
        *unkept |= TFileOpResult::ukAttributes;
        return true;
    }
    QByteArray value;
    for (qsizetype at = 0; at < names.size();) {
        const char *name = names.constData() + at;
        at += qsizetype(std::strlen(name)) + 1;
        const QByteArrayView view(name);
        const bool acl = view.startsWith("system.posix_acl_");
        const bool privileged = view.startsWith("security.") || view.startsWith("trusted.");
        if (view == "system.posix_acl_default")
            continue; // folders only
        if (!Value(source, name, &value)) {
            if (errno != ENODATA) // gone in between
                *unkept |= acl ? TFileOpResult::ukAcls : TFileOpResult::ukAttributes;
            continue;
        }
        if (::fsetxattr(target, name, value.constData(), size_t(value.size()), 0) == 0)
            continue;
        if (!Refusal(errno)) {
            *error = errno;
            return false;
        }
        if (root || !privileged)
            *unkept |= acl ? TFileOpResult::ukAcls : TFileOpResult::ukAttributes;
    }
    return true;
}

} // namespace

bool TMetadataCopy::Carry(int source, const struct stat &sourceStat, int target, unsigned *unkept, int *error)
{
    *unkept = 0;
    *error = 0;
    const bool root = ::geteuid() == 0;
    struct stat st;
    if (::fstat(target, &st) != 0) {
        *error = errno;
        return false;
    }

    // Owner and group first: a change of owner clears the set-id bits.
    if (root && (st.st_uid != sourceStat.st_uid || st.st_gid != sourceStat.st_gid)) {
        if (::fchown(target, sourceStat.st_uid, sourceStat.st_gid) != 0) {
            if (!Refusal(errno)) {
                *error = errno;
                return false;
            }
            // The group may still be allowed where the owner is not.
            if (::fchown(target, uid_t(-1), sourceStat.st_gid) != 0 && !Refusal(errno)) {
                *error = errno;
                return false;
            }
        }
    } else if (!root && st.st_gid != sourceStat.st_gid && ::group_member(sourceStat.st_gid)) {
        if (::fchown(target, uid_t(-1), sourceStat.st_gid) != 0 && !Refusal(errno)) {
            *error = errno;
            return false;
        }
    }
    if (::fstat(target, &st) != 0) {
        *error = errno;
        return false;
    }
    // A user who is not root keeps other users' files as their own, like `cp -a`; what
    // the user may give away and the target refused is reported.
    if (st.st_uid != sourceStat.st_uid && root)
        *unkept |= TFileOpResult::ukOwner;
    if (st.st_gid != sourceStat.st_gid && (root || ::group_member(sourceStat.st_gid)))
        *unkept |= TFileOpResult::ukOwner;

    // A set-id bit makes the program run as its owner or group: never as another one's.
    mode_t mode = sourceStat.st_mode & 07777;
    if (st.st_uid != sourceStat.st_uid)
        mode &= ~mode_t(S_ISUID);
    if (st.st_gid != sourceStat.st_gid)
        mode &= ~mode_t(S_ISGID);
    if (::fchmod(target, mode) != 0) {
        if (!Refusal(errno)) {
            *error = errno;
            return false;
        }
        *unkept |= TFileOpResult::ukPermissions;
    }

    if (!CarryAttributes(source, target, root, unkept, error))
        return false;

    // The times last: nothing after them changes the file.
    const struct timespec times[2] = {sourceStat.st_atim, sourceStat.st_mtim};
    if (::futimens(target, times) != 0) {
        if (!Refusal(errno)) {
            *error = errno;
            return false;
        }
        *unkept |= TFileOpResult::ukTimes;
    } else if (::fstat(target, &st) == 0 && st.st_mtim.tv_sec != sourceStat.st_mtim.tv_sec) {
        // FAT keeps even seconds only: the copy would not compare equal to its source.
        *unkept |= TFileOpResult::ukTimes;
    }
    return true;
}
