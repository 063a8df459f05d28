#include "app/offline/OfflineStore.h"

#include <ctime>

namespace kr8 {

std::string OfflineStore::LocalTimeName() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char name[32] = {};
    std::strftime(name, sizeof name, "%Y-%m-%d %H.%M.%S", &local);
    return name;
}

}  // namespace kr8
