#include "fulldisk.h"

#include <QByteArray>
#include <QFile>
#include <csignal>
#include <sys/mount.h>
#include <sys/resource.h>

namespace kestrum::test {

namespace {
const char* const FILLER = "/.filler";
}

FullDisk::FullDisk(const QString& folder) : folder_(folder) {
    mounted_ = ::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, "size=256k") == 0;
    // Over the limit a write fails with EFBIG instead of ending the process.
    std::signal(SIGXFSZ, SIG_IGN);
}

FullDisk::~FullDisk() {
    release();
    if (mounted_)
        ::umount2(QFile::encodeName(folder_).constData(), MNT_DETACH);
}

void FullDisk::fill(long bytes) {
    if (mounted_) {
        QFile filler(folder_ + QLatin1String(FILLER));
        if (filler.open(QIODevice::WriteOnly)) {
            const QByteArray block(4096, 'x');
            while (filler.write(block) == block.size() && filler.flush()) {
            }
        }
        return;
    }
    rlimit r{};
    ::getrlimit(RLIMIT_FSIZE, &r);
    savedLimit_[0] = static_cast<long>(r.rlim_cur);
    savedLimit_[1] = static_cast<long>(r.rlim_max);
    r.rlim_cur = static_cast<rlim_t>(bytes);
    limited_ = ::setrlimit(RLIMIT_FSIZE, &r) == 0;
}

void FullDisk::release() {
    if (mounted_)
        QFile::remove(folder_ + QLatin1String(FILLER));
    if (limited_) {
        rlimit r{static_cast<rlim_t>(savedLimit_[0]), static_cast<rlim_t>(savedLimit_[1])};
        ::setrlimit(RLIMIT_FSIZE, &r);
        limited_ = false;
    }
}

} // namespace kestrum::test
