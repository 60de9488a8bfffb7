// What the frameworks' members on the host's objects (world/World.h) share.
#pragma once

#include <cstdint>
#include <string>

#include "Framework.h"
#include "world/DataText.h"
#include "world/World.h"

namespace framework {

inline hostworld::World& World() { return hostworld::World::Get(); }


// A catalog's member at an index into the caller's key; false when the index
// has no member.
template <class Member>
bool KeyAt(const Draco::MemberCatalog<Member>& catalog, std::uint16_t index, Draco::HBAbstractKey& key)
{
    const Member* member = catalog.AtIndex(index);
    if (!member)
        return false;
    key = member->key;
    return true;
}

// The name of a catalog's member with a key into a DBData.
template <class Member>
bool NameOf(const Draco::MemberCatalog<Member>& catalog, const Draco::HBAbstractKey& key, Draco::DBData& name)
{
    const Member* member = catalog.WithKey(&key);
    return member && hostworld::SetDataText(&name, member->name);
}

} // namespace framework
