#pragma once
// A batch of project writes: everything written through the project while a CProjectBatch
// lives is one SQLite transaction, so one commit and one wait for the disk however many entries
// it adds. Adding 5,000 files costs a few hundred milliseconds instead of seconds.
//
// - Commit() commits and throws CComException when the commit fails (nothing of the batch is
//   then in the file).
// - A batch left without Commit, by an exception say, commits what was written so far: a
//   failure part-way keeps the steps done before it, as the writes would have on their own. A
//   failure of that commit cannot be thrown from a destructor; the batch is then lost whole.
// - Batches nest: an inner batch does nothing, the outermost commits.
// - Each write inside still succeeds or fails whole (a savepoint), and the batch goes on.
// - Listeners hear of the batch after its commit: each change when it touched one entry, one
//   OnItemChanged2(VXKestromFile, "", ItemModified, "") when it touched several.
// - While the batch lives the project file is locked for writing: other programs wait (up to
//   their busy timeout), so no dialog should wait for the author inside one.
// - A program killed inside a batch leaves the file as it was before the batch (SQLite's
//   rollback journal is rolled back at the next open).

#include "ide/automation/project_interfaces.h"

namespace vx {

class CProjectBatch {
public:
    // `project` is the project (IProject) or the patch project object (IPatchProject), or
    // anything else that offers IProjectUpdate. An object without it makes an empty batch: its
    // writes commit one by one. Throws CComException when the write lock cannot be had (another
    // program holds the file, the file is read-only or gone).
    explicit CProjectBatch(IUnknown* project);
    ~CProjectBatch();
    CProjectBatch(const CProjectBatch&) = delete;
    CProjectBatch& operator=(const CProjectBatch&) = delete;

    // Ends the batch: the outermost commits. Once only; later calls do nothing.
    void Commit();

private:
    ComPtr<IProjectUpdate> m_update;
    bool m_open = false;
};

} // namespace vx
