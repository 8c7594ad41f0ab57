#pragma once

#include <sys/stat.h>

// Carries what `cp -a` keeps of a file over to its copy: owner and group (all of them
// when root; the group alone where the user is a member of it), permission bits, ACLs and
// extended attributes (user.*, and security.* and trusted.* where the rights allow), and
// the times to the nanosecond. The order matters: a change of owner clears the set-id
// bits, so the owner comes first and the times last. A set-id bit goes only with the
// owner or group it belongs to: a copy that could not keep them drops it.
class TMetadataCopy
{
public:
    // source: the open source file and what fstat said of it; target: the open copy.
    // Returns false with *error set when the target failed for another reason than a
    // refusal; a refusal (EPERM, EACCES, ENOSYS, EOPNOTSUPP and the like: a FAT volume, a
    // FUSE file system) only sets its TFileOpResult::TUnkept flag in *unkept.
    static bool Carry(int source, const struct stat &sourceStat, int target, unsigned *unkept, int *error);
};
