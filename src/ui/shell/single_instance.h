#pragma once
// One copy of the tool at a time: a lock file in the user's runtime (or temporary) folder.

#include <QLockFile>
#include <QString>
#include <memory>

namespace velta {

inline constexpr const char* k_instance_lock_name = "VELTA TCP_X_Mutex";
inline constexpr const char* k_text_second_instance = "２重に起動はできません";

QString instance_lock_path();

// Holds the lock for its lifetime. A lock left behind by a copy that died is taken over.
class InstanceGuard {
public:
    InstanceGuard();
    // False when another copy runs; the operator has then been told.
    bool acquire();

private:
    std::unique_ptr<QLockFile> lock_;
};

}  // namespace velta
