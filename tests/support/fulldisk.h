// A folder where writes run out of room: a small tmpfs filled up when the process may mount one,
// otherwise the process's file size limit, which root cannot pass either.
#pragma once

#include <QString>

namespace kestrum::test {

class FullDisk {
public:
    // `folder` must exist and be empty; files already there stay readable.
    explicit FullDisk(const QString& folder);
    ~FullDisk();
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

    bool mounted() const { return mounted_; }
    // From here on writes fail: the tmpfs is filled, or the size limit is lowered to `bytes`.
    void fill(long bytes = 8);
    // Writes succeed again (the filler removed, the limit restored).
    void release();

private:
    QString folder_;
    bool mounted_ = false;
    bool limited_ = false;
    long savedLimit_[2] = {0, 0};
};

} // namespace kestrum::test
