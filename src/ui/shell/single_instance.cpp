#include "ui/shell/single_instance.h"

#include <QDir>
#include <QStandardPaths>

#include "core/common/message_boxes.h"

namespace velta {

QString instance_lock_path()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return dir + QLatin1Char('/') + QLatin1String(k_instance_lock_name) + QLatin1String(".lock");
}

InstanceGuard::InstanceGuard() : lock_(std::make_unique<QLockFile>(instance_lock_path()))
{
    // Never stale by age: a long session must not let a second copy in. A dead owner's lock
    // is still recognised by its process id.
    lock_->setStaleLockTime(0);
}

bool InstanceGuard::acquire()
{
    if (lock_->tryLock(0))
        return true;
    // A folder we cannot write must not keep the only copy from starting.
    if (lock_->error() != QLockFile::LockFailedError)
        return true;
    plain_box(k_text_second_instance);
    return false;
}

}  // namespace velta
