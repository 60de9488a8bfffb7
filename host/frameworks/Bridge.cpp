#include "Bridge.h"

#include <map>
#include <memory>
#include <mutex>
#include <tuple>

#include "world/World.h"

namespace framework {

std::u16string FontNameOf(const void* fileUser, unsigned id)
{
    const auto* file = static_cast<const Draco::FMFileUser*>(static_cast<const Draco::DBFileUser*>(fileUser));
    return file && id < file->fonts.size() ? file->fonts[id] : std::u16string();
}

const void* PathRecord(const PathParts& parts)
{
    using Key = std::tuple<std::u16string, std::u16string, std::u16string>;
    static std::mutex mutex;
    static std::map<Key, std::unique_ptr<hostworld::PathImp>> records;
    std::lock_guard<std::mutex> lock(mutex);
    std::unique_ptr<hostworld::PathImp>& record = records[Key(parts.type, parts.path, parts.name)];
    if (!record) {
        record = std::make_unique<hostworld::PathImp>();
        record->type.text = parts.type;
        record->path.text = parts.path;
        record->name.text = parts.name;
    }
    return record.get();
}

bool PartsOfRecord(const void* record, PathParts& parts)
{
    const auto* imp = static_cast<const hostworld::PathImp*>(record);
    if (!imp)
        return false;
    parts.type = imp->type.text;
    parts.path = imp->path.text;
    parts.name = imp->name.text;
    return true;
}

} // namespace framework
