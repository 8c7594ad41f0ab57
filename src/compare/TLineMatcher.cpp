#include "compare/TLineMatcher.h"

#include <git2.h>

#include <mutex>

namespace {

struct TCollect
{
    const TCompareControl *Control;
    std::vector<TLineHunk> *Hunks;
    qsizetype Rows = 0; // equal rows and hunk rows so far
    qsizetype LeftDone = 0;
};

int CollectHunk(const git_diff_delta *, const git_diff_hunk *hunk, void *payload)
{
    auto *collect = static_cast<TCollect *>(payload);
    if (collect->Control->Cancelled())
        return GIT_EUSER;
    // The library counts lines from 1; a run of no lines is placed after the line it names.
    TLineHunk h;
    h.LeftCount = hunk->old_lines;
    h.RightCount = hunk->new_lines;
    h.LeftStart = hunk->old_lines == 0 ? hunk->old_start : hunk->old_start - 1;
    h.RightStart = hunk->new_lines == 0 ? hunk->new_start : hunk->new_start - 1;
    collect->Rows += h.LeftStart - collect->LeftDone;
    h.FirstRow = collect->Rows;
    collect->Rows += h.Rows();
    collect->LeftDone = h.LeftStart + h.LeftCount;
    collect->Hunks->push_back(h);
    return 0;
}

} // namespace

TLineMatcher::TResult TLineMatcher::Match(QByteArrayView left, QByteArrayView right, bool ignoreWhiteSpace,
                                          const TCompareControl &control, std::vector<TLineHunk> *hunks)
{
    static std::once_flag initialised;
    std::call_once(initialised, [] { git_libgit2_init(); });

    hunks->clear();
    if (control.Cancelled())
        return lmCancelled;
    git_diff_options options;
    git_diff_options_init(&options, GIT_DIFF_OPTIONS_VERSION);
    options.context_lines = 0;
    options.interhunk_lines = 0;
    // Whether a side is text is decided before; NUL bytes in a text are just characters.
    options.flags = GIT_DIFF_FORCE_TEXT | GIT_DIFF_INDENT_HEURISTIC;
    if (ignoreWhiteSpace)
        options.flags |= GIT_DIFF_IGNORE_WHITESPACE;
    TCollect collect{&control, hunks};
    const int rc = git_diff_buffers(left.data(), size_t(left.size()), nullptr, right.data(), size_t(right.size()),
                                    nullptr, &options, nullptr, nullptr, CollectHunk, nullptr, &collect);
    if (rc == GIT_EUSER || control.Cancelled()) {
        hunks->clear();
        return lmCancelled;
    }
    if (rc != 0) {
        hunks->clear();
        return lmFailed;
    }
    return lmDone;
}
